#pragma once

#include <QString>
#include <stdexcept>

// A failure inside a procedure that arms an error trap (the folder scan, the two server exchanges):
// thrown where the step fails, caught by the trap, which logs one line and leaves the procedure.
class AgentError : public std::runtime_error {
public:
    explicit AgentError(const QString& what) : std::runtime_error(what.toStdString()) {}
};
