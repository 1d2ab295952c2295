#include "store/EventStore.h"

#include "domain/Silence.h"
#include "store/SqlDialect.h"
#include "store/SqlRun.h"

#include <limits>

namespace server {

Result<QHash<QString, QString>> EventStore::conditions(const QString& computer) {
    QHash<QString, QString> standing;
    if (auto done = m_store.runKept(
            QStringLiteral("SELECT subject, state FROM alert_conditions WHERE computer = ?"), {computer},
            [&](const QStringList& row) { standing.insert(row.at(0), row.at(1)); });
        !done)
        return Failure{done.reason()};
    return standing;
}

Result<> EventStore::setCondition(const QString& computer, const QString& subject, const QString& state,
                                  const QDateTime& since) {
    QSqlQuery query(m_store.connection());
    return sql::run(query,
                    QStringLiteral("INSERT INTO alert_conditions (computer, subject, state, since) "
                                   "VALUES (?, ?, ?, ?) ON CONFLICT (computer, subject) "
                                   "DO UPDATE SET state = excluded.state, since = excluded.since"),
                    {computer, subject, state, sql::storedTime(since)});
}

Result<> EventStore::clearCondition(const QString& computer, const QString& subject) {
    QSqlQuery query(m_store.connection());
    return sql::run(query, QStringLiteral("DELETE FROM alert_conditions WHERE computer = ? AND subject = ?"),
                    {computer, subject});
}

Result<> EventStore::addEvent(const NewEvent& event, const QStringList& receivers) {
    QSqlQuery insert(m_store.connection());
    if (auto done =
            sql::run(insert,
                     QStringLiteral("INSERT INTO events (event_id, kind, computer, at, body, in_maintenance) "
                                    "VALUES (?, ?, ?, ?, ?, ?) RETURNING id"),
                     {event.eventId, event.kind, event.computer, sql::storedTime(event.at),
                      QString::fromUtf8(event.body), event.inMaintenance ? 1 : 0});
        !done)
        return done;
    if (!insert.next())
        return Failure{QStringLiteral("the database did not return the new event's number")};
    const qint64 id = insert.value(0).toLongLong();
    insert.finish();
    QSqlQuery delivery(m_store.connection());
    if (auto prepared = sql::prepare(
            delivery, QStringLiteral("INSERT INTO deliveries (event, receiver, state, attempts, "
                                     "next_try_at, last_error, done_at) VALUES (?, ?, ?, 0, ?, '', '')"));
        !prepared)
        return prepared;
    for (const QString& receiver : event.inMaintenance ? QStringList() : receivers) {
        if (auto done = sql::run(delivery, {id, receiver, pending(), sql::storedTime(event.at)}); !done)
            return done;
    }
    return Result<>::success();
}

Result<QList<DueDelivery>> EventStore::dueDeliveries(const QStringList& receivers, const QDateTime& now,
                                                     int limit) {
    QList<DueDelivery> due;
    if (receivers.isEmpty())
        return due;
    QStringList marks(receivers.size(), QStringLiteral("?"));
    QVariantList values{pending(), sql::storedTime(now)};
    for (const QString& receiver : receivers)
        values << receiver;
    values << limit;
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done =
            sql::run(query,
                     QStringLiteral("SELECT d.event, d.receiver, d.attempts, e.at, e.event_id, e.body "
                                    "FROM deliveries d JOIN events e ON e.id = d.event "
                                    "WHERE d.state = ? AND d.next_try_at <= ? AND d.receiver IN (%1) "
                                    "ORDER BY d.next_try_at, d.event LIMIT ?")
                         .arg(marks.join(QStringLiteral(", "))),
                     values);
        !done)
        return Failure{done.reason()};
    while (query.next())
        due << DueDelivery{query.value(0).toLongLong(), query.value(1).toString(),
                           query.value(2).toInt(),      sql::readStoredTime(query.value(3).toString()),
                           query.value(4).toString(),   query.value(5).toString().toUtf8()};
    return due;
}

Result<> EventStore::markDelivered(qint64 event, const QString& receiver, const QDateTime& at) {
    QSqlQuery query(m_store.connection());
    return sql::run(query,
                    QStringLiteral("UPDATE deliveries SET state = ?, attempts = attempts + 1, done_at = ?, "
                                   "last_error = '' WHERE event = ? AND receiver = ?"),
                    {delivered(), sql::storedTime(at), event, receiver});
}

Result<> EventStore::markFailedTry(qint64 event, const QString& receiver,
                                   const std::optional<QDateTime>& nextTry, const QString& reason,
                                   const QDateTime& at) {
    QSqlQuery query(m_store.connection());
    return sql::run(
        query,
        QStringLiteral("UPDATE deliveries SET state = ?, attempts = attempts + 1, next_try_at = ?, "
                       "last_error = ?, done_at = ? WHERE event = ? AND receiver = ?"),
        {nextTry ? pending() : failed(), sql::storedTime(nextTry.value_or(at)), sql::text(reason),
         nextTry ? QStringLiteral("") : sql::storedTime(at), event, receiver});
}

Result<QList<EventSummary>> EventStore::events(const EventFilter& filter, int limit, qint64 beforeId) {
    QStringList conditions{QStringLiteral("id < ?")};
    QVariantList values{beforeId > 0 ? beforeId : std::numeric_limits<qint64>::max()};
    const auto narrow = [&](bool wanted, const char* condition, const QVariant& value) {
        if (!wanted)
            return;
        conditions << QString::fromLatin1(condition);
        values << value;
    };
    narrow(!filter.kind.isEmpty(), "kind = ?", filter.kind);
    narrow(!filter.computer.isEmpty(), "computer = ?", filter.computer);
    narrow(filter.from.isValid(), "at >= ?", sql::storedTime(filter.from));
    narrow(filter.to.isValid(), "at < ?", sql::storedTime(filter.to));
    values << limit;
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done = sql::run(
            query,
            QStringLiteral("SELECT e.id, e.event_id, e.kind, e.computer, e.at, e.body, e.in_maintenance, "
                           "d.receiver, d.state, d.attempts, d.last_error FROM (SELECT * FROM events "
                           "WHERE %1 ORDER BY id DESC LIMIT ?) e LEFT JOIN deliveries d ON d.event = e.id "
                           "ORDER BY e.id DESC, d.receiver")
                .arg(conditions.join(QStringLiteral(" AND "))),
            values);
        !done)
        return Failure{done.reason()};
    QList<EventSummary> events;
    while (query.next()) {
        const qint64 id = query.value(0).toLongLong();
        if (events.isEmpty() || events.last().id != id)
            events << EventSummary{id,
                                   query.value(1).toString(),
                                   query.value(2).toString(),
                                   query.value(3).toString(),
                                   sql::readStoredTime(query.value(4).toString()),
                                   query.value(5).toString().toUtf8(),
                                   query.value(6).toInt() != 0,
                                   {}};
        if (!query.isNull(7))
            events.last().deliveries << DeliveryState{query.value(7).toString(), query.value(8).toString(),
                                                      query.value(9).toInt(), query.value(10).toString()};
    }
    return events;
}

// Only computers whose last report is at least the shortest silence old are judged, by the fleet's rule.
Result<QList<NewSilence>> EventStore::newSilences(const QDateTime& now) {
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done =
            sql::run(query,
                     QStringLiteral("SELECT s.name, s.received_at, c.\"SettingTime\" FROM latest_status s "
                                    "JOIN computers c ON c.name = s.name LEFT JOIN alert_conditions a "
                                    "ON a.computer = s.name AND a.subject = ? "
                                    "WHERE a.state IS NULL AND s.received_at <= ? ORDER BY s.name"),
                     {silenceSubject(), sql::storedTime(now.addSecs(-silentAfterSeconds(QString())))});
        !done)
        return Failure{done.reason()};
    QList<NewSilence> silences;
    while (query.next()) {
        const QDateTime lastReport = sql::readStoredTime(query.value(1).toString());
        const QString settingTime = query.value(2).toString();
        if (isSilent(lastReport, settingTime, now))
            silences << NewSilence{query.value(0).toString(), lastReport, silentAfterSeconds(settingTime)};
    }
    return silences;
}

} // namespace server
