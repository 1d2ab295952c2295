#pragma once

#include "modules/AgentState.h"
#include "Result.h"

#include <QString>

namespace mdlGeneral {

// kova.ini beside the executable: one line, the computer name.
QString nameFilePath();

struct NameFileContent {
    enum class Kind { Name, Missing, Unreadable };
    Kind kind = Kind::Missing;
    QString name;   // Kind::Name: the first line, as written
    QString reason; // Kind::Unreadable: why, for the operator
};

// A file that holds no characters counts as missing: it names nothing, so first-run setup follows.
NameFileContent readNameFileContent();

// Replaces the file whole with exactly `name` (no line terminator) and sets ComputerName. The old file
// stays untouched unless the new one was written completely; a failure says why.
Result<> WriteNameFile(const QString& name, AgentState& state);

} // namespace mdlGeneral
