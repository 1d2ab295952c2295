#include "modules/StatusReportBody.h"

#include "modules/LocalDateTime.h"
#include "WireFormat.h"

namespace {

// Values in the order of wire::reportKeys(); sDisable is the one value sent without the blank rule.
QStringList reportValues(const AgentState& s, const QString& now) {
    QStringList values{
        s.ComputerName,   s.IP,           s.OS,         s.OSVersion,   s.AgentVersion, s.RebootTime,
        s.AutoRebootTime, s.ManualReboot, s.SnoozeTime, s.SettingTime, s.CheckUpdate};
    for (int k = 1; k <= kSlotCount; ++k)
        values << s.Dir[k];
    for (int k = 1; k <= kSlotCount; ++k)
        values << s.Alert[k];
    values << s.LogFlag << now << s.Message << s.AlertStatus << s.Disable;
    for (int n = 1; n <= kDiskCount; ++n)
        values << s.Disk[n];
    for (int n = 1; n <= kDiskCount; ++n)
        values << s.DiskSpace[n];
    for (int k = 1; k <= kSlotCount; ++k)
        values << s.Count[k] << s.Size[k];
    values << s.Message << now << s.AlertStatus;
    return values;
}

} // namespace

QString buildStatusReport(const AgentState& state, const QDateTime& now) {
    const QStringList& keys = wire::reportKeys();
    const QStringList values = reportValues(state, formatGeneralDateTime(now));
    Q_ASSERT(keys.size() == values.size());
    QStringList pairs;
    for (qsizetype i = 0; i < keys.size(); ++i) {
        const bool plain = keys[i] == QLatin1String("sDisable");
        pairs << keys[i] + QLatin1Char('=') +
                     (plain ? wire::escapeFormValue(values[i]) : wire::EncodeFieldValue(values[i]));
    }
    return pairs.join(QLatin1Char('&'));
}
