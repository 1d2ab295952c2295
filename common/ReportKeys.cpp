#include "ReportKeys.h"

namespace wire {
namespace {

QStringList numbered(const QString& stem, int first, int last) {
    QStringList keys;
    for (int k = first; k <= last; ++k)
        keys << stem + QString::number(k);
    return keys;
}

QStringList countsAndSizes() {
    QStringList keys;
    for (int slot = 1; slot <= kSlotCount; ++slot)
        keys << QStringLiteral("sCount%1").arg(slot) << QStringLiteral("sSize%1").arg(slot);
    return keys;
}

} // namespace

const QStringList& reportKeys() {
    static const QStringList keys =
        QStringList{
            "sComputerName",   "sIP",           "sOS",         "sOSVersion",   "sORUVersion", "sRebootTime",
            "sAutoRebootTime", "sManualReboot", "sSnoozeTime", "sSettingTime", "sCheckUpdate"} +
        numbered("sDir", 1, kSlotCount) + numbered("sAlert", 1, kSlotCount) +
        QStringList{"sLogFlag", "sLogTime", "sLastMessageDate", "sAlertStatus", "sDisable"} +
        numbered("sDisk", 1, 4) + QStringList{"sDiskSpace1", "sdiskspace2", "sDiskSpace3", "sDiskSpace4"} +
        countsAndSizes() + QStringList{"sMessage", "sMessageDate", "sAlert"};
    return keys;
}

const QStringList& settingsReportKeys() {
    static const QStringList keys = QStringList{"sLogFlag",      "sSettingTime",    "sSnoozeTime",
                                                "sManualReboot", "sAutoRebootTime", "sRebootTime"} +
                                    numbered("sDir", 1, kSlotCount) + numbered("sAlert", 1, kSlotCount) +
                                    QStringList{"sDisable", "sCheckUpdate"};
    return keys;
}

} // namespace wire
