#pragma once

#include "Result.h"

#include <QString>

namespace mdlGeneral {

// Whether a downloaded program can stand: run with --version it must end within 10 seconds with exit code 0,
// naming itself `programName` and then its version ("KOVA Oru 2.2.2"); the version is what it gives back.
// Otherwise the failure says what it did. A program that only looks like one (cut short, damaged, built for
// another machine) fails here, before anything of the installed one is touched.
Result<QString> proveProgram(const QString& program, const QString& programName);

// Whether version `candidate` ("major.minor.patch") comes before `running`; parts compare as numbers.
bool isOlderVersion(const QString& candidate, const QString& running);

} // namespace mdlGeneral
