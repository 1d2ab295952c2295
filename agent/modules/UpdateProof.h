#pragma once

#include <optional>
#include <QString>

namespace mdlGeneral {

// Why the program just put in place cannot stand: run with --version it must end within 10 seconds with
// exit code 0, naming itself `programName` first. nullopt when it did. A program that only looks like one
// (cut short, damaged, built for another machine) fails here while the previous one is still at hand.
std::optional<QString> proofProblem(const QString& executable, const QString& programName);

} // namespace mdlGeneral
