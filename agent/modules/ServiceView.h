#pragma once

#include "modules/AgentView.h"
#include "modules/LogLines.h"
#include "platform/MessageBox.h"

#include <functional>

// The agent run by a service manager (--service): no window, no notification area and no one to answer a
// box. Each StatusLog message and each box becomes one line on the service's output, which the journal
// keeps; a question is answered No, as nobody can say Yes.
class ServiceView : public AgentView, public platform::MessageBox {
public:
    // The exit code without a computer name. systemd reports 6 as "not configured" and the unit does not
    // restart the agent for it: only the operator can write the name.
    static constexpr int kNoNameExitCode = 6;

    using LineSink = std::function<void(const QString&)>;
    explicit ServiceView(LineSink writeLine);

    void showLog(const QString& text) override;
    std::optional<int> runFirstRunSetup() override;
    bool show(const platform::ShownBox& box) override;

    void writeLine(const QString& line) { sink(line); }

private:
    LineSink sink;
    LogLines lines;
};
