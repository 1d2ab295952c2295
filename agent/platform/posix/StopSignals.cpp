#include "platform/StopSignals.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <QSocketNotifier>
#include <unistd.h>

namespace platform {

namespace {

// The self-pipe: the handler writes the signal's number, the notifier reads it on the event loop.
int pipeEnds[2] = {-1, -1};
volatile std::sig_atomic_t stopArmed = 0;
QSocketNotifier* notifier = nullptr;

const char kLateStop[] = "The running step did not end in time; KOVA Oru stops without waiting for it.\n";

// Only async-signal-safe calls here.
void onLateStop(int) {
    [[maybe_unused]] const ssize_t written = write(STDOUT_FILENO, kLateStop, sizeof kLateStop - 1);
    _exit(0);
}

void onStopSignal(int number) {
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t written = write(pipeEnds[1], &byte, 1);
    if (!stopArmed) { // a second request does not put the deadline off
        stopArmed = 1;
        alarm(StopSignals::kGraceSeconds);
    }
    errno = savedErrno;
}

void handle(int number, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(number, &action, nullptr);
}

QString signalName(int number) {
    return number == SIGTERM ? QStringLiteral("SIGTERM") : QStringLiteral("SIGINT");
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    if (pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        qFatal("KOVA Oru cannot create the pipe for stop signals");
    notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (read(pipeEnds[0], &byte, 1) == 1)
            emit stopRequested(signalName(byte));
    });
    handle(SIGALRM, onLateStop);
    handle(SIGTERM, onStopSignal);
    handle(SIGINT, onStopSignal);
}

StopSignals::~StopSignals() {
    for (int number : {SIGTERM, SIGINT, SIGALRM})
        handle(number, SIG_DFL);
    alarm(0);
    stopArmed = 0;
    delete notifier;
    notifier = nullptr;
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

} // namespace platform
