#include "store/MetricsStore.h"

#include "domain/DiskSpace.h"
#include "domain/DiskThreshold.h"
#include "domain/ReportBytes.h"
#include "store/DiskThresholdStore.h"
#include "store/JudgedLimits.h"
#include "store/OperatorActionStore.h"
#include "store/ResultRows.h"
#include "store/SqlDialect.h"
#include "store/SqlRun.h"
#include "WireFormat.h"

namespace server {
namespace {

// In metricsKey's order.
const QStringList& keys() {
    static const QStringList list = [] {
        const auto numbered = [](const QString& stem, int count) {
            QStringList keys;
            for (int k = 1; k <= count; ++k)
                keys << stem + QString::number(k);
            return keys;
        };
        QStringList keys = QStringList{"sORUVersion", "sMessage", "sSettingTime"} + numbered("sDir", 10) +
                           numbered("sAlert", 10) + numbered("sCount", 10) + numbered("sDisk", 4);
        for (int k = 1; k <= kReportedDisks; ++k)
            keys << diskSpaceKey(k);
        Q_ASSERT(keys.size() == metricsKey::kCount);
        return keys;
    }();
    return list;
}

// Folder paths are settings: they live with the computer, the rest with its latest status. Limits are
// those the folders are judged against.
QString column(const QString& key) {
    bool isLimit = false;
    const int slot = key.startsWith(QLatin1String("sAlert")) ? key.mid(6).toInt(&isLimit) : 0;
    if (isLimit)
        return judged::limitColumn(slot);
    const bool setting = wire::settingsReportKeys().contains(key);
    return (setting ? QStringLiteral("c.\"%1\"") : QStringLiteral("s.\"%1\""))
        .arg(setting ? key.mid(1) : key);
}

// SQLite's values are read straight from the statement, a column each. Through Qt's PostgreSQL driver
// the cost is per column, so there every value goes in one: each as its UTF-8 length in bytes, ":" and
// the value.
QString valueColumns(sql::Backend backend) {
    QStringList pieces;
    for (const QString& key : keys()) {
        if (backend == sql::Backend::Postgres)
            pieces << sql::utf8Length(column(key), backend) << QStringLiteral("':'");
        pieces << column(key);
    }
    if (backend == sql::Backend::Postgres)
        return sql::utf8Bytes(sql::joinedText(pieces, backend), backend);
    return pieces.join(QStringLiteral(", "));
}

constexpr int kFirstValueColumn = 2;

void readValues(MetricsRow& row, const sql::ResultRows& result, sql::Backend backend) {
    if (backend == sql::Backend::Postgres) {
        row.values = result.text(kFirstValueColumn).toByteArray();
        qsizetype at = 0;
        for (auto& span : row.spans) {
            const qsizetype colon = row.values.indexOf(':', at);
            span = {colon + 1, row.values.mid(at, colon - at).toLongLong()};
            at = span.first + span.second;
        }
        return;
    }
    for (int key = 0; key < metricsKey::kCount; ++key) {
        const QByteArrayView value = result.text(kFirstValueColumn + key);
        row.spans[size_t(key)] = {row.values.size(), value.size()};
        row.values.append(value);
    }
}

// The drives of the row, as diskReadings() gives them.
QList<DiskReading> drives(const MetricsRow& row) {
    QList<DiskReading> disks;
    for (int disk = 1; disk <= kReportedDisks; ++disk) {
        if (const QByteArrayView drive = row.bytes(metricsKey::disk(disk)); !drive.isEmpty())
            disks << DiskReading{QString::fromUtf8(drive),
                                 reportBytes::reportedFreeBytes(row.bytes(metricsKey::diskSpace(disk)))};
    }
    return disks;
}

MetricsRow readRow(const sql::ResultRows& result, sql::Backend backend, const QDateTime& now) {
    MetricsRow row;
    row.utf8Name = result.text(0).toByteArray();
    row.name = QString::fromUtf8(row.utf8Name);
    row.lastReportSeconds = result.number(1);
    readValues(row, result, backend);
    // As QDateTime::secsTo() counts, so the page agrees with the fleet's own silence.
    const qint64 silentFor = (now.toMSecsSinceEpoch() - qint64(row.lastReportSeconds * 1000)) / 1000;
    row.silent = silentFor >= reportBytes::silentAfterSeconds(row.bytes(metricsKey::kSettingTime));
    return row;
}

} // namespace

QByteArrayView MetricsRow::bytes(int key) const {
    const auto [start, length] = spans[size_t(key)];
    return QByteArrayView(values.constData() + start, length);
}

Result<QList<MetricsRow>> MetricsStore::page(const QString& afterName, int limit, const QDateTime& now) {
    const auto fleetThreshold = DiskThresholdStore(m_store).fleetDefault();
    if (!fleetThreshold)
        return Failure{fleetThreshold.reason()};
    const sql::Backend backend = m_store.backend();
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done = sql::run(query,
                             QStringLiteral("SELECT s.name, %1, %2, c.disk_threshold FROM latest_status s "
                                            "JOIN computers c ON c.name = s.name %3 "
                                            "WHERE s.name > ? ORDER BY s.name LIMIT ?")
                                 .arg(sql::unixSeconds(QStringLiteral("s.received_at"), backend),
                                      valueColumns(backend), judged::latestReportJoin()),
                             {sql::text(afterName), limit});
        !done)
        return Failure{done.reason()};
    const int thresholdColumn =
        backend == sql::Backend::Postgres ? 3 : kFirstValueColumn + metricsKey::kCount;
    // Most computers go by the fleet's threshold: its text is read once, not once per computer.
    const auto fleetDefault = effectiveThreshold(QString(), *fleetThreshold);
    QList<MetricsRow> rows;
    rows.reserve(limit);
    sql::ResultRows result(query);
    for (;;) {
        const auto more = result.next();
        if (!more)
            return Failure{more.reason()};
        if (!*more)
            break;
        MetricsRow& row = rows.emplace_back(readRow(result, backend, now));
        const QByteArrayView own = result.text(thresholdColumn);
        const auto threshold =
            own.isEmpty() ? fleetDefault : effectiveThreshold(QString::fromUtf8(own), *fleetThreshold);
        row.lowDisk = threshold && lowDisk(drives(row), threshold).has_value();
    }
    query.finish();
    if (auto read = addActions(rows, afterName, now); !read)
        return Failure{read.reason()};
    return rows;
}

Result<> MetricsStore::addActions(QList<MetricsRow>& rows, const QString& afterName, const QDateTime& now) {
    if (rows.isEmpty())
        return Result<>::success();
    const auto actions = OperatorActionStore(m_store).actionsBetween(afterName, rows.last().name, now);
    if (!actions)
        return Failure{actions.reason()};
    for (MetricsRow& row : rows) {
        const ComputerActions found = actions->value(row.name);
        row.acknowledged = found.acknowledgement.has_value();
        row.inMaintenance = found.maintenance.has_value();
    }
    return Result<>::success();
}

} // namespace server
