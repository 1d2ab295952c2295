#pragma once

#include <QObject>
#include <QString>

namespace platform {

// The stop request of a service manager (SIGTERM; on Windows the Service Control Manager's stop or shutdown
// control) or a terminal (SIGINT, Ctrl+C), delivered on the event loop where the agent may act on it: a
// signal handler itself may do next to nothing. On Windows it also connects a --service run to the Service
// Control Manager, which hears "running" at once and "stopped" just before the process ends. The agent yields
// to the event loop only between steps and while it waits for a transfer, so a step that holds the thread
// longer (a folder of millions of files) would delay the stop; kGraceSeconds after the request the process
// ends anyway, with a line saying so, so that a stop never runs into the service manager's kill.
class StopSignals : public QObject {
    Q_OBJECT
public:
    static constexpr unsigned kGraceSeconds = 4;

    // One at a time: the signals have one handler each.
    explicit StopSignals(QObject* parent = nullptr);
    ~StopSignals() override;
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

signals:
    void stopRequested(const QString& signalName);
};

} // namespace platform
