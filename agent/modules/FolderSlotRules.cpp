#include "modules/FolderSlotRules.h"

#include "modules/BlankTrim.h"
#include "SettingsExchange.h"

#include <cmath>
#include <QLocale>

namespace mdlFolderEdit {

FileLimit parseFileLimit(const QString& text) {
    if (text.isEmpty())
        return {};
    QLocale locale;
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    bool isNumber = false;
    const double number = locale.toDouble(trimBlanks(text), &isNumber);
    if (!isNumber || !std::isfinite(number))
        return {FileLimit::Kind::Invalid};
    // nearbyint rounds in the default mode, to nearest with halves to the even neighbour.
    const double whole = std::nearbyint(number);
    if (whole < kLowestLimit || whole > kHighestLimit)
        return {FileLimit::Kind::Invalid};
    return {FileLimit::Kind::Valid, static_cast<int>(whole)};
}

std::optional<int> lowestFreeSlot(const AgentState& state) {
    for (int n = 1; n <= kSlotCount; ++n) {
        if (trimBlanks(state.Dir[n]).isEmpty())
            return n;
    }
    return std::nullopt;
}

std::optional<int> slotOfNodeKey(const QString& key) {
    for (int n = 1; n <= kSlotCount; ++n) {
        if (key == QStringLiteral("zDir%1").arg(n))
            return n;
    }
    return std::nullopt;
}

bool travelsInSettings(const QString& folder) {
    return !folder.contains(wire::pieceSeparator());
}

} // namespace mdlFolderEdit
