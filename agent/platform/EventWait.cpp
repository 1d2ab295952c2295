#include "platform/EventWait.h"

#include <QCoreApplication>
#include <QEventLoop>

namespace platform {

void processPendingEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

} // namespace platform
