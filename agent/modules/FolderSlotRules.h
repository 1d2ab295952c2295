#pragma once

#include "modules/AgentState.h"

#include <optional>
#include <QString>

// The rules the operator's folder edits follow: which limits are taken, which slot an add fills, which slot
// a tree node names, and which folders can travel in the settings reply at all.
namespace mdlFolderEdit {

inline constexpr int kLowestLimit = 1;
inline constexpr int kHighestLimit = 9999;

struct FileLimit {
    enum class Kind { Empty, Invalid, Valid };
    Kind kind = Kind::Empty;
    int value = 0; // only for Valid
};

// The limit box's text: empty, or a number with optional surrounding blanks, a decimal fraction rounded to
// the nearest whole number with a half going to the even one, and valid only from 1 to 9999.
FileLimit parseFileLimit(const QString& text);

// The lowest slot whose path, without surrounding blanks, is empty.
std::optional<int> lowestFreeSlot(const AgentState& state);

// The slot that a tree node key "zDir1".."zDir10" names, compared exactly; nothing for any other key.
std::optional<int> slotOfNodeKey(const QString& key);

// The settings reply separates its values with ", ", so a path holding that pair would split in two and
// shift every later setting.
bool travelsInSettings(const QString& folder);

} // namespace mdlFolderEdit
