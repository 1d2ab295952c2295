#include "store/MetricsStore.h"

#include "domain/DiskSpace.h"
#include "domain/Silence.h"
#include "store/DiskThresholdStore.h"
#include "store/JudgedLimits.h"
#include "store/OperatorActionStore.h"
#include "store/SqlDialect.h"
#include "store/SqlRun.h"
#include "WireFormat.h"

#include <QHash>

namespace server {
namespace {

QStringList numbered(const QString& stem, int count) {
    QStringList keys;
    for (int k = 1; k <= count; ++k)
        keys << stem + QString::number(k);
    return keys;
}

const QHash<QString, int>& keyIndex() {
    static const QHash<QString, int> index = [] {
        QHash<QString, int> positions;
        for (int k = 0; k < MetricsStore::keys().size(); ++k)
            positions.insert(MetricsStore::keys()[k], k);
        return positions;
    }();
    return index;
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

// Every value of a row in one column, each as its UTF-8 length in bytes, ":" and the value: the database
// driver's cost is per column, and this reads a fleet several times faster than one column per value.
QString packedColumns(sql::Backend backend) {
    QStringList pieces;
    for (const QString& key : MetricsStore::keys())
        pieces << sql::utf8Length(column(key), backend) << QStringLiteral("':'") << column(key);
    return sql::utf8Bytes(sql::joinedText(pieces, backend), backend);
}

QList<std::pair<qsizetype, qsizetype>> spans(const QByteArray& packed) {
    QList<std::pair<qsizetype, qsizetype>> spans;
    qsizetype at = 0;
    while (at < packed.size()) {
        const qsizetype colon = packed.indexOf(':', at);
        const qsizetype length = packed.mid(at, colon - at).toLongLong();
        spans.append({colon + 1, length});
        at = colon + 1 + length;
    }
    return spans;
}

} // namespace

QByteArrayView MetricsRow::bytes(const QString& key) const {
    const auto [start, length] = spans.value(keyIndex().value(key, -1));
    return QByteArrayView(packed.constData() + start, length);
}

QString MetricsRow::value(const QString& key) const {
    return QString::fromUtf8(bytes(key));
}

const QStringList& MetricsStore::keys() {
    static const QStringList list = [] {
        QStringList keys = QStringList{"sORUVersion", "sMessage", "sSettingTime"} + numbered("sDir", 10) +
                           numbered("sAlert", 10) + numbered("sCount", 10) + numbered("sDisk", 4);
        for (int k = 1; k <= 4; ++k)
            keys << diskSpaceKey(k);
        return keys;
    }();
    return list;
}

Result<QList<MetricsRow>> MetricsStore::page(const QString& afterName, int limit, const QDateTime& now) {
    const auto fleetThreshold = DiskThresholdStore(m_store).fleetDefault();
    if (!fleetThreshold)
        return Failure{fleetThreshold.reason()};
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done = sql::run(query,
                             QStringLiteral("SELECT s.name, %1, %2, c.disk_threshold FROM latest_status s "
                                            "JOIN computers c ON c.name = s.name %3 "
                                            "WHERE s.name > ? ORDER BY s.name LIMIT ?")
                                 .arg(sql::unixSeconds(QStringLiteral("s.received_at"), m_store.backend()),
                                      packedColumns(m_store.backend()), judged::latestReportJoin()),
                             {sql::text(afterName), limit});
        !done)
        return Failure{done.reason()};
    // Most computers go by the fleet's threshold: its text is read once, not once per computer.
    const auto fleetDefault = effectiveThreshold(QString(), *fleetThreshold);
    QList<MetricsRow> rows;
    while (query.next()) {
        const QByteArray packed = query.value(2).toByteArray();
        MetricsRow row{query.value(0).toString(),
                       query.value(1).toDouble(),
                       false,
                       false,
                       false,
                       false,
                       packed,
                       spans(packed)};
        const auto lastReport = QDateTime::fromMSecsSinceEpoch(qint64(row.lastReportSeconds * 1000));
        row.silent = isSilent(lastReport, row.value(QStringLiteral("sSettingTime")), now);
        const QString own = query.value(3).toString();
        row.lowDisk = lowDisk(diskReadings([&row](const QString& key) { return row.value(key); }),
                              own.isEmpty() ? fleetDefault : effectiveThreshold(own, *fleetThreshold))
                          .has_value();
        rows << row;
    }
    query.finish();
    if (rows.isEmpty())
        return rows;
    const auto actions = OperatorActionStore(m_store).actionsBetween(afterName, rows.last().name, now);
    if (!actions)
        return Failure{actions.reason()};
    for (MetricsRow& row : rows) {
        const ComputerActions found = actions->value(row.name);
        row.acknowledged = found.acknowledgement.has_value();
        row.inMaintenance = found.maintenance.has_value();
    }
    return rows;
}

} // namespace server
