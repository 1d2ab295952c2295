#include "store/OperatorActionStore.h"

#include "store/SqlRun.h"

namespace server {
namespace {

QString marks(const QStringList& values) {
    return QStringList(values.size(), QStringLiteral("?")).join(QStringLiteral(", "));
}

QVariantList variants(const QStringList& values) {
    QVariantList list;
    for (const QString& value : values)
        list << value;
    return list;
}

// A moment an operator may leave out ("until the alert changes") is stored as "".
QString optionalTime(const QDateTime& moment) {
    return moment.isValid() ? sql::storedTime(moment) : QStringLiteral("");
}

const QString kWindowColumns = QStringLiteral("id, computer, starts_at, ends_at, operator, note, tag");

// Each window with each computer it covers: its own computer's, or a tag's for every computer carrying it.
// Tags are read when asked, so a computer tagged during a window is covered from then on.
const QString kCoveringWindows =
    QStringLiteral("(SELECT %1 FROM maintenance_windows WHERE tag = '' UNION ALL "
                   "SELECT w.id, t.computer, w.starts_at, w.ends_at, w.operator, w.note, w.tag FROM "
                   "maintenance_windows w "
                   "JOIN computer_tags t ON t.tag = w.tag WHERE w.tag <> '') covering")
        .arg(kWindowColumns);

MaintenanceWindow readWindow(const QSqlQuery& query) {
    return {query.value(0).toLongLong(),
            query.value(1).toString(),
            sql::readStoredTime(query.value(2).toString()),
            sql::readStoredTime(query.value(3).toString()),
            query.value(4).toString(),
            query.value(5).toString(),
            query.value(6).toString()};
}

} // namespace

Result<QString> OperatorActionStore::standingAlert(const QString& computer) {
    const auto conditions = conditionsOf({computer});
    if (!conditions)
        return Failure{conditions.reason()};
    return alertFingerprint(conditions->value(computer));
}

Result<> OperatorActionStore::saveAcknowledgement(const Acknowledgement& acknowledgement) {
    QSqlQuery query(m_store.connection());
    return sql::run(
        query,
        QStringLiteral("INSERT INTO acknowledgements (computer, operator, note, at, until_at, alert) "
                       "VALUES (?, ?, ?, ?, ?, ?) ON CONFLICT (computer) DO UPDATE SET "
                       "operator = excluded.operator, note = excluded.note, at = excluded.at, "
                       "until_at = excluded.until_at, alert = excluded.alert"),
        {acknowledgement.computer, acknowledgement.operatorName, sql::text(acknowledgement.note),
         sql::storedTime(acknowledgement.at), optionalTime(acknowledgement.until), acknowledgement.alert});
}

Result<qint64> OperatorActionStore::addWindow(const MaintenanceWindow& window, const QDateTime& now) {
    QSqlQuery query(m_store.connection());
    if (auto done = sql::run(
            query,
            QStringLiteral("INSERT INTO maintenance_windows (computer, starts_at, ends_at, "
                           "operator, note, created_at, tag) VALUES (?, ?, ?, ?, ?, ?, ?) RETURNING id"),
            {sql::text(window.computer), sql::storedTime(window.from), sql::storedTime(window.to),
             window.operatorName, sql::text(window.note), sql::storedTime(now), sql::text(window.tag)});
        !done)
        return Failure{done.reason()};
    if (!query.next())
        return Failure{QStringLiteral("the database did not return the new window's number")};
    return query.value(0).toLongLong();
}

Result<bool> OperatorActionStore::endWindow(const WindowOwner& owner, qint64 id, const QDateTime& now) {
    const QString at = sql::storedTime(now);
    QSqlQuery drop(m_store.connection());
    if (auto done = sql::run(drop,
                             QStringLiteral("DELETE FROM maintenance_windows WHERE id = ? AND computer = ? "
                                            "AND tag = ? AND starts_at > ?"),
                             {id, sql::text(owner.computer), sql::text(owner.tag), at});
        !done)
        return Failure{done.reason()};
    if (drop.numRowsAffected() == 1)
        return true;
    QSqlQuery end(m_store.connection());
    if (auto done = sql::run(end,
                             QStringLiteral("UPDATE maintenance_windows SET ends_at = ? WHERE id = ? AND "
                                            "computer = ? AND tag = ? AND ends_at > ?"),
                             {at, id, sql::text(owner.computer), sql::text(owner.tag), at});
        !done)
        return Failure{done.reason()};
    return end.numRowsAffected() == 1;
}

Result<QList<MaintenanceWindow>> OperatorActionStore::windows(const WindowOwner& owner,
                                                              const QDateTime& now) {
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done = sql::run(query,
                             QStringLiteral("SELECT %1 FROM maintenance_windows WHERE computer = ? AND "
                                            "tag = ? AND ends_at > ? ORDER BY starts_at, id")
                                 .arg(kWindowColumns),
                             {sql::text(owner.computer), sql::text(owner.tag), sql::storedTime(now)});
        !done)
        return Failure{done.reason()};
    QList<MaintenanceWindow> windows;
    while (query.next())
        windows << readWindow(query);
    return windows;
}

Result<bool> OperatorActionStore::inMaintenance(const QString& computer, const QDateTime& at) {
    QHash<QString, ComputerActions> actions;
    if (auto read = readWindowsAt(Selection{QStringLiteral("computer = ?"), {computer}}, at, actions); !read)
        return Failure{read.reason()};
    return actions.contains(computer);
}

Result<QHash<QString, ComputerActions>> OperatorActionStore::actionsOf(const QStringList& computers,
                                                                       const QDateTime& now) {
    if (computers.isEmpty())
        return QHash<QString, ComputerActions>();
    return actionsIn(Selection{QStringLiteral("computer IN (%1)").arg(marks(computers)), variants(computers)},
                     now);
}

Result<QHash<QString, ComputerActions>> OperatorActionStore::everyonesActions(const QDateTime& now) {
    return actionsIn(Selection{QStringLiteral("1 = 1"), {}}, now);
}

Result<QHash<QString, ComputerActions>>
OperatorActionStore::actionsBetween(const QString& afterName, const QString& lastName, const QDateTime& now) {
    return actionsIn(Selection{QStringLiteral("computer > ? AND computer <= ?"),
                               {sql::text(afterName), sql::text(lastName)}},
                     now);
}

Result<QHash<QString, ComputerActions>> OperatorActionStore::actionsIn(const Selection& computers,
                                                                       const QDateTime& now) {
    QHash<QString, ComputerActions> actions;
    if (auto read = readAcknowledgements(computers, now, actions); !read)
        return Failure{read.reason()};
    if (auto read = readWindowsAt(computers, now, actions); !read)
        return Failure{read.reason()};
    return actions;
}

Result<QHash<QString, QHash<QString, QString>>>
OperatorActionStore::conditionsOf(const QStringList& computers) {
    QHash<QString, QHash<QString, QString>> conditions;
    if (computers.isEmpty())
        return conditions;
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done = sql::run(query,
                             QStringLiteral("SELECT computer, subject, state FROM alert_conditions "
                                            "WHERE computer IN (%1)")
                                 .arg(marks(computers)),
                             variants(computers));
        !done)
        return Failure{done.reason()};
    while (query.next())
        conditions[query.value(0).toString()].insert(query.value(1).toString(), query.value(2).toString());
    return conditions;
}

// Only acknowledgements that still cover their computer's standing alert are kept.
Result<> OperatorActionStore::readAcknowledgements(const Selection& computers, const QDateTime& now,
                                                   QHash<QString, ComputerActions>& actions) {
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done = sql::run(query,
                             QStringLiteral("SELECT computer, operator, note, at, until_at, alert FROM "
                                            "acknowledgements WHERE %1")
                                 .arg(computers.condition),
                             computers.values);
        !done)
        return done;
    QList<Acknowledgement> found;
    while (query.next())
        found << Acknowledgement{query.value(0).toString(),
                                 query.value(1).toString(),
                                 query.value(2).toString(),
                                 sql::readStoredTime(query.value(3).toString()),
                                 sql::readStoredTime(query.value(4).toString()),
                                 query.value(5).toString()};
    QStringList acknowledged;
    for (const Acknowledgement& acknowledgement : found)
        acknowledged << acknowledgement.computer;
    const auto conditions = conditionsOf(acknowledged);
    if (!conditions)
        return Failure{conditions.reason()};
    for (const Acknowledgement& acknowledgement : found) {
        const QString standing = alertFingerprint(conditions->value(acknowledgement.computer));
        if (acknowledgementStands(acknowledgement, standing, now))
            actions[acknowledgement.computer].acknowledgement = acknowledgement;
    }
    return Result<>::success();
}

Result<> OperatorActionStore::readWindowsAt(const Selection& computers, const QDateTime& now,
                                            QHash<QString, ComputerActions>& actions) {
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    const QString at = sql::storedTime(now);
    if (auto done = sql::run(query,
                             QStringLiteral("SELECT %1 FROM %2 WHERE %3 AND "
                                            "starts_at <= ? AND ends_at > ? ORDER BY ends_at")
                                 .arg(kWindowColumns, kCoveringWindows, computers.condition),
                             QVariantList(computers.values) << at << at);
        !done)
        return done;
    // Ordered by end: of overlapping windows, the one ending last is the one shown.
    while (query.next()) {
        const MaintenanceWindow window = readWindow(query);
        actions[window.computer].maintenance = window;
    }
    return Result<>::success();
}

} // namespace server
