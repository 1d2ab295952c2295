#pragma once

#include <QFile>

// How far this process's memory grew at its peak during a step, in KiB, as Linux's /proc tells it: the peak
// is set back to the present size when the step starts.
class PeakMemory {
public:
    // False where the system keeps no such figures.
    bool start() {
        QFile clearRefs("/proc/self/clear_refs"); // "5" sets the peak back to the current size
        if (!clearRefs.open(QIODevice::WriteOnly) || clearRefs.write("5") != 1 || !clearRefs.flush())
            return false;
        before = statusKb("VmRSS:");
        return before > 0;
    }
    qint64 grownKb() const { return statusKb("VmHWM:") - before; }

private:
    // A field of /proc/self/status ("VmRSS:", "VmHWM:"...) in KiB, or -1.
    static qint64 statusKb(const char* field) {
        QFile status("/proc/self/status");
        const QByteArray text = status.open(QIODevice::ReadOnly) ? status.readAll() : QByteArray();
        const qsizetype at = text.indexOf(field);
        return at < 0 ? -1 : text.mid(at + qstrlen(field)).trimmed().split(' ').value(0).toLongLong();
    }

    qint64 before = -1;
};
