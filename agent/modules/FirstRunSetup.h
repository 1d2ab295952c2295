#pragma once

#include <functional>
#include <QString>

class Agent;

namespace mdlGeneral {

// A name is one word: not empty and without a blank. Other characters (underscores, hyphens) are fine.
bool isOneWordName(const QString& typed);

enum class SetupOutcome { Rejected, NotWritten, Completed };

// The setup window's Finish button: checks the name, writes the name file, announces the name to the
// central server on InetReceive (its reply is not read) and tells the operator to restart. `working` runs
// once the name was accepted. A name file that cannot be written is explained and nothing is sent.
SetupOutcome finishSetup(Agent& agent, const QString& typed, const std::function<void()>& working);

} // namespace mdlGeneral
