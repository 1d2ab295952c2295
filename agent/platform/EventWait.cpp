#include "platform/EventWait.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace platform {

void waitWhile(const std::function<bool()>& busy) {
    while (busy())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace platform
