#include "store/FleetStanding.h"

#include "domain/EventKinds.h"
#include "domain/Silence.h"
#include "store/DiskThresholdStore.h"
#include "store/FleetSearch.h"
#include "store/SqlRun.h"

#include <QHash>

namespace server {
namespace {

enum Column {
    Name,
    SettingTime,
    ReceivedAt,
    AlertStatus,
    RegisteredAt,
    OwnThreshold,
    OverSince,
    UnreadSince,
    DiskSince,
    Os,
    AgentVersion,
    Found,
    FirstDisk
};

// Binds the search's values, the three event kinds, then what `where` binds.
QString standingQuery(const QString& where, const QString& found) {
    QStringList disks;
    for (int disk = 1; disk <= kReportedDisks; ++disk)
        disks << QStringLiteral("s.\"%1\", s.\"%2\"").arg(diskDriveKey(disk), diskSpaceKey(disk));
    return QStringLiteral(
               "SELECT c.name, c.\"SettingTime\", s.received_at, s.\"sAlertStatus\", c.registered_at, "
               "c.disk_threshold, a.over_since, a.unread_since, a.disk_since, s.\"sOS\", s.\"sORUVersion\", "
               "%3, %1 FROM computers c "
               "LEFT JOIN latest_status s ON s.name = c.name LEFT JOIN (SELECT computer, "
               "MIN(CASE WHEN state = ? THEN since END) AS over_since, "
               "MIN(CASE WHEN state = ? THEN since END) AS unread_since, "
               "MIN(CASE WHEN state = ? THEN since END) AS disk_since "
               "FROM alert_conditions GROUP BY computer) a ON a.computer = c.name %2")
        .arg(disks.join(QStringLiteral(", ")), where, found);
}

QString sinceOf(const QSqlQuery& row, ComputerState state) {
    const auto text = [&](int column) { return row.value(column).toString(); };
    switch (state) {
    case ComputerState::Alert:
        return text(OverSince);
    case ComputerState::Unreadable:
        return text(UnreadSince);
    case ComputerState::Silent:
        return text(ReceivedAt);
    case ComputerState::NoReport:
        return text(RegisteredAt);
    case ComputerState::LowDisk:
        return text(DiskSince).isEmpty() ? text(ReceivedAt) : text(DiskSince);
    case ComputerState::Near:
    case ComputerState::Ok:
        break;
    }
    return {};
}

} // namespace

Result<QList<StandingRow>> readStandings(ServerStore& store, const QString& where, const QVariantList& values,
                                         const QDateTime& now, const QString& search) {
    const auto fleetThreshold = DiskThresholdStore(store).fleetDefault();
    if (!fleetThreshold)
        return Failure{fleetThreshold.reason()};
    QSqlQuery query(store.connection());
    query.setForwardOnly(true);
    const FleetSearchMatch found = fleetSearchMatch(search);
    if (auto done = sql::run(
            query, standingQuery(where, found.expression),
            found.values +
                QVariantList{events::folderOverLimit(), events::folderScanError(), events::diskLow()} +
                values);
        !done)
        return Failure{done.reason()};
    // Stored times sort as text, so each interval's silence becomes one cut-off text: reading ten thousand
    // date-times would cost more than the rest of the page.
    QHash<QString, QString> cutoffs;
    const auto silenceCutoff = [&](const QString& settingTime) {
        auto it = cutoffs.find(settingTime);
        if (it == cutoffs.end())
            it = cutoffs.insert(settingTime, sql::storedTime(now.addSecs(-silentAfterSeconds(settingTime))));
        return *it;
    };
    const auto fleetDefault = effectiveThreshold(QString(), *fleetThreshold);
    QHash<QString, int> diskColumns; // report key -> its column
    for (int disk = 1; disk <= kReportedDisks; ++disk) {
        diskColumns.insert(diskDriveKey(disk), FirstDisk + 2 * (disk - 1));
        diskColumns.insert(diskSpaceKey(disk), FirstDisk + 2 * (disk - 1) + 1);
    }
    QList<StandingRow> rows;
    while (query.next()) {
        StandingRow row;
        row.name = query.value(Name).toString();
        const QString receivedAt = query.value(ReceivedAt).toString();
        row.standing.reported = !receivedAt.isEmpty();
        row.standing.silent =
            !row.standing.reported || receivedAt <= silenceCutoff(query.value(SettingTime).toString());
        row.standing.overLimit = !query.isNull(OverSince);
        row.standing.unreadable = !query.isNull(UnreadSince);
        row.standing.nearLimit = !row.standing.overLimit && !row.standing.unreadable &&
                                 query.value(AlertStatus).toString() == QLatin1String("1");
        const QString own = query.value(OwnThreshold).toString();
        const auto threshold = own.isEmpty() ? fleetDefault : effectiveThreshold(own, *fleetThreshold);
        const QList<DiskReading> disks = diskReadings([&](const QString& key) {
            const auto column = diskColumns.constFind(key);
            return column == diskColumns.cend() ? QString() : query.value(*column).toString();
        });
        if (threshold)
            row.lowDisk = lowDisk(disks, threshold);
        row.standing.lowDisk = row.lowDisk.has_value();
        if (const auto fullest = fullestDisk(disks))
            row.lowestFreeBytes = fullest->freeBytes;
        row.lastReport = receivedAt;
        row.os = query.value(Os).toString();
        row.agentVersion = query.value(AgentVersion).toString();
        row.found = query.value(Found).toInt() == 1;
        row.state = computerState(row.standing);
        row.since = sinceOf(query, row.state);
        rows << row;
    }
    return rows;
}

} // namespace server
