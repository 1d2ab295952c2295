#pragma once

#include "ReportKeys.h"

#include <array>
#include <cassert>
#include <cstdint>
#include <QString>

// Entries numbered from 1, as the folder slots and drive entries are everywhere else in the agent.
template <int N> class Numbered {
public:
    QString& operator[](int k) {
        assert(k >= 1 && k <= N);
        return entries[k - 1];
    }
    const QString& operator[](int k) const {
        assert(k >= 1 && k <= N);
        return entries[k - 1];
    }
    static constexpr int size() { return N; }

private:
    std::array<QString, N> entries;
};

using wire::kSlotCount;
constexpr int kDiskCount = 4;

// The one program-wide record. Text fields hold exactly what arrived or was measured; parts that need a
// number or a date-time convert at the point of use.
struct AgentState {
    // Identity and machine facts
    QString ComputerName;
    QString IP;
    QString OS;
    QString OSVersion;
    QString AgentVersion;
    Numbered<kDiskCount> Disk;
    Numbered<kDiskCount> DiskSpace;

    // Status
    bool NoInternet = false;
    bool RebootDue = false;
    QString AlertText;
    QString Message;
    QString AlertStatus;

    // Settings handed out by the server, in the order of the settings reply
    QString LogFlag;
    QString SettingTime;
    QString SnoozeTime;
    QString ManualReboot;
    QString AutoRebootTime;
    QString RebootTime;
    Numbered<kSlotCount> Dir;
    Numbered<kSlotCount> Alert;
    QString Disable;
    QString CheckUpdate;

    // Latest measurements of the folder slots
    Numbered<kSlotCount> Count;
    Numbered<kSlotCount> Size;

    // Notification-area animation
    std::int16_t TrayFrame = 1;
    std::int32_t LastTrayMessage = 0;

    // The process's one instance.
    static AgentState& instance();
};
