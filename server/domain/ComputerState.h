#pragma once

#include <optional>
#include <QString>

namespace server {

// What stands for a computer, each true or false on its own: a computer can be silent and over a limit.
struct Standing {
    bool reported = false;   // it sent at least one report
    bool overLimit = false;  // a folder holds more files than its limit
    bool unreadable = false; // the agent could not read a folder
    bool silent = false;
    bool lowDisk = false;
    bool nearLimit = false; // the agent raised its alert and no folder is over or unreadable
};

// A computer's one state on the console, the most severe that stands, in the fleet's order: a folder over
// its limit first (work piles up), then a folder nobody can see into, then silence (the computer may be
// down), then a computer that never reported, then a disk running out, then a folder filling up.
enum class ComputerState { Alert, Unreadable, Silent, NoReport, LowDisk, Near, Ok };

ComputerState computerState(const Standing& standing);

// The word the API and the pages use for the state.
QString computerStateText(ComputerState state);

// The flag a fleet filter word picks ("alert", "unreadable", "silent", "lowdisk", "near"); empty for
// another word.
std::optional<bool Standing::*> standingFlag(const QString& word);

} // namespace server
