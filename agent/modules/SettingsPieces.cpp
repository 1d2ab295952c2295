#include "modules/SettingsPieces.h"

#include "WireFormat.h"

#include <functional>
#include <vector>

namespace {

// Piece number to field, in the order of the settings reply.
std::vector<std::reference_wrapper<QString>> settingsFields(AgentState& state) {
    std::vector<std::reference_wrapper<QString>> fields{state.LogFlag,        state.SettingTime,
                                                        state.SnoozeTime,     state.ManualReboot,
                                                        state.AutoRebootTime, state.RebootTime};
    for (int k = 1; k <= kSlotCount; ++k)
        fields.emplace_back(state.Dir[k]);
    for (int k = 1; k <= kSlotCount; ++k)
        fields.emplace_back(state.Alert[k]);
    fields.emplace_back(state.Disable);
    fields.emplace_back(state.CheckUpdate);
    return fields;
}

} // namespace

int storeSettingsPieces(AgentState& state, const QStringList& pieces) {
    const auto fields = settingsFields(state);
    const int stored = static_cast<int>(std::min<qsizetype>(pieces.size(), wire::kSettingsPieceCount));
    for (int piece = 0; piece < stored; ++piece)
        fields[piece].get() = pieces[piece];
    return stored;
}
