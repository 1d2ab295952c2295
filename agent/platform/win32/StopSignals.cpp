#include "platform/StopSignals.h"

#include "platform/ServiceOutput.h"

#include <atomic>
#include <thread>
#include <windows.h>

namespace platform {

namespace {

// Under the Service Control Manager the agent is the one service of its process; the name is not checked.
wchar_t kServiceName[] = L"KovaOru";

const QString kLateStop =
    QStringLiteral("The running step did not end in time; KOVA Oru stops without waiting for it.");

StopSignals* receiver = nullptr;
std::atomic<bool> stopArmed = false;
SERVICE_STATUS_HANDLE serviceStatus = nullptr;

void reportServiceState(DWORD state, DWORD waitHintMs = 0) {
    if (!serviceStatus)
        return;
    SERVICE_STATUS status = {};
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    status.dwWin32ExitCode = NO_ERROR;
    status.dwWaitHint = waitHintMs;
    SetServiceStatus(serviceStatus, &status);
}

// Called on the control handler's thread: the stop travels to the event loop, where the agent may act on
// it, and a late stop ends the process from here.
void requestStop(const QString& name) {
    if (!receiver || stopArmed.exchange(true))
        return; // a second request does not put the deadline off
    reportServiceState(SERVICE_STOP_PENDING, (StopSignals::kGraceSeconds + 1) * 1000);
    std::thread([] {
        Sleep(StopSignals::kGraceSeconds * 1000);
        writeServiceLine(kLateStop); // the main thread is held by that step, so nothing else writes now
        reportServiceState(SERVICE_STOPPED);
        ExitProcess(0);
    }).detach();
    QMetaObject::invokeMethod(
        receiver,
        [name] {
            // The agent ends the process from the stop handler; the manager hears of it first.
            reportServiceState(SERVICE_STOPPED);
            emit receiver->stopRequested(name);
        },
        Qt::QueuedConnection);
}

BOOL WINAPI onConsoleControl(DWORD type) {
    if (type == CTRL_C_EVENT)
        requestStop(QStringLiteral("Ctrl+C"));
    else
        requestStop(QStringLiteral("console closed"));
    return TRUE;
}

DWORD WINAPI onServiceControl(DWORD control, DWORD, void*, void*) {
    switch (control) {
    case SERVICE_CONTROL_STOP:
        requestStop(QStringLiteral("service stop"));
        return NO_ERROR;
    case SERVICE_CONTROL_SHUTDOWN:
        requestStop(QStringLiteral("system shutdown"));
        return NO_ERROR;
    case SERVICE_CONTROL_INTERROGATE:
        return NO_ERROR;
    default:
        return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

// A service's main function returns only when the service has stopped; the agent ends its process then.
void WINAPI serviceMain(DWORD, LPWSTR*) {
    serviceStatus = RegisterServiceCtrlHandlerExW(kServiceName, onServiceControl, nullptr);
    reportServiceState(SERVICE_RUNNING);
    Sleep(INFINITE);
}

// The dispatcher holds its thread until the service reports itself stopped, so it gets one of its own; the
// event loop stays on the main thread. Started from a console, it returns at once and Ctrl+C stops the agent.
void connectToServiceManager() {
    std::thread([] {
        static SERVICE_TABLE_ENTRYW table[] = {{kServiceName, serviceMain}, {nullptr, nullptr}};
        StartServiceCtrlDispatcherW(table);
    }).detach();
}

} // namespace

StopSignals::StopSignals(QObject* parent) : QObject(parent) {
    receiver = this;
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
    connectToServiceManager();
}

StopSignals::~StopSignals() {
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    receiver = nullptr;
}

} // namespace platform
