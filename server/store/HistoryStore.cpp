#include "store/HistoryStore.h"

#include "domain/ReportReadings.h"
#include "store/SqlDialect.h"
#include "store/SqlRun.h"

namespace server {
namespace {

const QString kInRange =
    QStringLiteral("FROM reports WHERE \"sComputerName\" = ? AND received_at >= ? AND received_at <= ?");

} // namespace

Result<qint64> HistoryStore::countReports(const QVariantList& range) {
    QSqlQuery query(m_store.connection());
    if (auto done = sql::run(query, QStringLiteral("SELECT COUNT(*) ") + kInRange, range); !done)
        return Failure{done.reason()};
    return query.next() ? query.value(0).toLongLong() : 0;
}

Result<ReportHistory> HistoryStore::history(const QString& name, const QDateTime& from, const QDateTime& to,
                                            int points) {
    // Stored times are local and compared as text, so the bounds must be written the same way.
    const QVariantList range{name, sql::storedTime(from.toLocalTime()), sql::storedTime(to.toLocalTime())};
    const auto count = countReports(range);
    if (!count)
        return Failure{count.reason()};
    QStringList columns;
    for (const QString& key : historyReadingKeys())
        columns << QLatin1Char('"') + key + QLatin1Char('"');
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    // The database turns the stored local times into Unix time: parsing them here would cost more than the
    // rest of the reading.
    if (auto done = sql::run(query,
                             QStringLiteral("SELECT %1, %2 %3 ORDER BY received_at, id")
                                 .arg(sql::unixSeconds(QStringLiteral("received_at"), m_store.backend()),
                                      columns.join(QStringLiteral(", ")), kInRange),
                             range);
        !done)
        return Failure{done.reason()};
    const qint64 fromMs = from.toMSecsSinceEpoch();
    HistoryBuilder builder(fromMs, bucketWidthMs(fromMs, to.toMSecsSinceEpoch(), *count, points));
    QStringList values;
    while (query.next()) {
        values.clear();
        for (int column = 1; column <= columns.size(); ++column)
            values << query.value(column).toString();
        builder.add(historyReading(qRound64(query.value(0).toDouble() * 1000), values));
    }
    return std::move(builder).finish();
}

} // namespace server
