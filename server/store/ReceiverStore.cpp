#include "store/ReceiverStore.h"

#include "store/SqlRun.h"

namespace server {

Result<QList<ConsoleReceiver>> ReceiverStore::receivers() {
    return select(QString(), {});
}

Result<std::optional<ConsoleReceiver>> ReceiverStore::receiver(qint64 id) {
    const auto found = select(QStringLiteral("WHERE id = ?"), {id});
    if (!found)
        return Failure{found.reason()};
    return found->isEmpty() ? std::nullopt : std::optional(found->first());
}

Result<qint64> ReceiverStore::add(const ConsoleReceiver& receiver) {
    QSqlQuery query(m_store.connection());
    if (auto done = sql::run(query,
                             QStringLiteral("INSERT INTO webhook_receivers (url, secret, enabled, added_by, "
                                            "added_at) VALUES (?, ?, 1, ?, ?) RETURNING id"),
                             {receiver.url, QString::fromUtf8(receiver.secret), receiver.addedBy,
                              sql::storedTime(receiver.addedAt)});
        !done)
        return Failure{done.reason()};
    if (!query.next())
        return Failure{QStringLiteral("the database did not return the new receiver's number")};
    return query.value(0).toLongLong();
}

Result<> ReceiverStore::disable(qint64 id) {
    QSqlQuery query(m_store.connection());
    return sql::run(query, QStringLiteral("UPDATE webhook_receivers SET enabled = 0 WHERE id = ?"), {id});
}

Result<> ReceiverStore::recordTest(qint64 id, const QDateTime& at, const QString& answer) {
    return m_store.inTransaction([&] {
        QSqlQuery query(m_store.connection());
        return sql::run(
            query, QStringLiteral("UPDATE webhook_receivers SET tested_at = ?, test_answer = ? WHERE id = ?"),
            {sql::storedTime(at), sql::text(answer), id});
    });
}

Result<QList<ConsoleReceiver>> ReceiverStore::select(const QString& where, const QVariantList& values) {
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done = sql::run(query,
                             QStringLiteral("SELECT id, url, secret, enabled, added_by, added_at, tested_at, "
                                            "test_answer FROM webhook_receivers %1 ORDER BY id")
                                 .arg(where),
                             values);
        !done)
        return Failure{done.reason()};
    QList<ConsoleReceiver> receivers;
    while (query.next())
        receivers << ConsoleReceiver{query.value(0).toLongLong(),
                                     query.value(1).toString(),
                                     query.value(2).toString().toUtf8(),
                                     query.value(3).toInt() != 0,
                                     query.value(4).toString(),
                                     sql::readStoredTime(query.value(5).toString()),
                                     sql::readStoredTime(query.value(6).toString()),
                                     query.value(7).toString()};
    return receivers;
}

} // namespace server
