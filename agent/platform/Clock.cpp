#include "platform/Clock.h"

namespace platform {

namespace {
QDateTime pinnedNow;
}

QDateTime now() {
    return pinnedNow.isValid() ? pinnedNow : QDateTime::currentDateTime();
}

void pinNow(const QDateTime& pinned) {
    pinnedNow = pinned;
}

void unpinNow() {
    pinnedNow = QDateTime();
}

} // namespace platform
