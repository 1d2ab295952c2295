#pragma once

#include "Result.h"

#include <QString>

namespace mdlGeneral {

// Whether the program just put in place can stand: run with --version it must end within 10 seconds with
// exit code 0, naming itself `programName` first; otherwise the failure says what it did. A program that
// only looks like one (cut short, damaged, built for another machine) fails here while the previous one is
// still at hand.
Result<> proveProgram(const QString& executable, const QString& programName);

} // namespace mdlGeneral
