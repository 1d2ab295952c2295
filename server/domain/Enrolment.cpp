#include "domain/Enrolment.h"

#include <array>

namespace server {
namespace {

using State = Enrolment::State;

constexpr std::array<std::pair<State, const char*>, 4> kStateTexts{{{State::Pending, "pending"},
                                                                    {State::Admitted, "admitted"},
                                                                    {State::Keyed, "keyed"},
                                                                    {State::Reset, "reset"}}};

} // namespace

QString stateText(State state) {
    for (const auto& [known, text] : kStateTexts) {
        if (known == state)
            return QString::fromLatin1(text);
    }
    return {};
}

std::optional<State> stateFromText(const QString& text) {
    for (const auto& [state, known] : kStateTexts) {
        if (text == QLatin1String(known))
            return state;
    }
    return std::nullopt;
}

} // namespace server
