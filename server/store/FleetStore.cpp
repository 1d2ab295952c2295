#include "store/FleetStore.h"

#include "domain/SettingsRecord.h"
#include "store/SqlDialect.h"
#include "store/SqlRun.h"
#include "store/StoreSchema.h"
#include "WireFormat.h"

#include <limits>
#include <QSqlRecord>

namespace server {
namespace {

QString quoted(const QString& name) {
    return QLatin1Char('"') + name + QLatin1Char('"');
}

QString quotedList(const QString& table, const QStringList& names) {
    QStringList list;
    for (const QString& name : names)
        list << table + QLatin1Char('.') + quoted(name);
    return list.join(QStringLiteral(", "));
}

// One cycle in seconds is (SettingTime + 1) ticks of 36 s. An interval the agent cannot use (not a whole
// number from 1 to 32766) makes it start a cycle on every tick. Three cycles without a report, and never
// less than ten minutes, is silence. Binds: now.
QString fleetWith(sql::Backend backend) {
    const QString cycle =
        QStringLiteral("((%1 + 1) * 36)")
            .arg(sql::wholeNumberOrZero(QStringLiteral("trim(c.\"SettingTime\")"), 1, 32766, backend));
    return QStringLiteral(
               "WITH judged AS (SELECT c.name AS name, s.received_at AS received_at, "
               "CASE WHEN s.\"sAlertStatus\" = '1' THEN 1 ELSE 0 END AS alert, %1 AS cycle_seconds, "
               "%2 AS silent_after "
               "FROM computers c LEFT JOIN latest_status s ON s.name = c.name), "
               "fleet AS (SELECT *, CASE WHEN received_at IS NULL OR %3 >= silent_after THEN 1 ELSE 0 END "
               "AS silent FROM judged) ")
        .arg(cycle, sql::larger(QStringLiteral("600"), QStringLiteral("3 * ") + cycle, backend),
             sql::secondsSince(QStringLiteral("received_at"), backend));
}

// The computers `choice` picks from the judged fleet (a WHERE, ORDER BY and LIMIT over its columns), with
// their settings and latest status. Choosing before joining keeps the wide rows out of the sort.
// Binds: now, then whatever `choice` holds.
QString computerViews(const QString& choice, sql::Backend backend) {
    return fleetWith(backend) +
           QStringLiteral(", chosen AS (SELECT *, CASE WHEN alert = 1 THEN 0 WHEN silent = 1 THEN 1 ELSE 2 "
                          "END AS trouble "
                          "FROM fleet %3) "
                          "SELECT f.name, f.received_at, f.alert, f.silent, f.silent_after, f.cycle_seconds, "
                          "c.registered_at, c.changed_at, %1, %2 FROM chosen f "
                          "JOIN computers c ON c.name = f.name LEFT JOIN latest_status s ON s.name = f.name "
                          "ORDER BY f.trouble, f.name")
               .arg(quotedList(QStringLiteral("c"), SettingsRecord::fieldNames()),
                    quotedList(QStringLiteral("s"), schema::statusKeys()), choice);
}

ComputerView readComputerView(const QSqlQuery& query) {
    ComputerView view;
    view.name = query.value(0).toString();
    view.lastReport = sql::readStoredTime(query.value(1).toString());
    view.alert = query.value(2).toBool();
    view.silent = query.value(3).toBool();
    view.silentAfterSeconds = query.value(4).toLongLong();
    view.cycleSeconds = query.value(5).toLongLong();
    view.registeredAt = sql::readStoredTime(query.value(6).toString());
    view.settingsChangedAt = sql::readStoredTime(query.value(7).toString());
    int column = 8;
    for (const QString& key : wire::settingsReportKeys()) {
        view.settings << query.value(column++).toString();
        view.report.insert(key, view.settings.last());
    }
    for (const QString& key : schema::statusKeys())
        view.report.insert(key, query.value(column++).toString());
    view.report.insert(QStringLiteral("sComputerName"), view.name);
    return view;
}

} // namespace

std::optional<FleetPage> FleetStore::fleetPage(const QString& search, int page, int pageSize,
                                               const QDateTime& now, QString* error) {
    const QString at = sql::storedTime(now);
    const sql::Backend backend = m_store.backend();
    const QString matches = sql::positionOf(QStringLiteral("lower(name)"), backend);
    FleetPage result;
    QSqlQuery counts(m_store.connection());
    if (!sql::run(counts,
                  fleetWith(backend) +
                      QStringLiteral("SELECT COALESCE(SUM(CASE WHEN %1 > 0 THEN 1 ELSE 0 END), 0), "
                                     "COALESCE(SUM(alert), 0), COALESCE(SUM(silent), 0) FROM fleet")
                          .arg(matches),
                  {at, sql::text(search)}, error) ||
        !counts.next())
        return std::nullopt;
    result.matching = counts.value(0).toInt();
    result.alerting = counts.value(1).toInt();
    result.silent = counts.value(2).toInt();

    QSqlQuery rows(m_store.connection());
    rows.setForwardOnly(true);
    if (!sql::run(rows,
                  computerViews(QStringLiteral("WHERE %1 > 0 ORDER BY CASE WHEN alert = 1 THEN 0 "
                                               "WHEN silent = 1 THEN 1 ELSE 2 END, name LIMIT ? OFFSET ?")
                                    .arg(matches),
                                backend),
                  {at, sql::text(search), pageSize, qint64(page) * pageSize}, error))
        return std::nullopt;
    while (rows.next())
        result.computers << readComputerView(rows);
    return result;
}

std::optional<ComputerView> FleetStore::computer(const QString& name, const QDateTime& now, QString* error) {
    QSqlQuery query(m_store.connection());
    if (!sql::run(query, computerViews(QStringLiteral("WHERE name = ?"), m_store.backend()),
                  {sql::storedTime(now), name}, error) ||
        !query.next())
        return std::nullopt;
    return readComputerView(query);
}

std::optional<QList<StoredReport>> FleetStore::reports(const QString& name, int limit, qint64 beforeId,
                                                       QString* error) {
    QStringList columns;
    for (const QString& key : wire::reportKeys())
        columns << quoted(key);
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (!sql::run(
            query,
            QStringLiteral("SELECT id, received_at, %1 FROM reports WHERE \"sComputerName\" = ? AND id < ? "
                           "ORDER BY id DESC LIMIT ?")
                .arg(columns.join(QStringLiteral(", "))),
            {name, beforeId > 0 ? beforeId : std::numeric_limits<qint64>::max(), limit}, error))
        return std::nullopt;
    QList<StoredReport> reports;
    while (query.next()) {
        StoredReport report{query.value(0).toLongLong(), sql::readStoredTime(query.value(1).toString()), {}};
        int column = 2;
        for (const QString& key : wire::reportKeys())
            report.values.insert(key, query.value(column++).toString());
        reports << report;
    }
    return reports;
}

bool FleetStore::changeSettings(const ComputerView& computer, const QStringList& newSettings,
                                const QString& operatorName, const QDateTime& now, QString* error) {
    const QStringList& names = SettingsRecord::fieldNames();
    QStringList assignments;
    QVariantList values;
    for (qsizetype k = 0; k < names.size(); ++k) {
        assignments << quoted(names[k]) + QStringLiteral(" = ?");
        values << sql::text(newSettings[k]);
    }
    values << sql::storedTime(now) << computer.name;
    return m_store.inTransaction(
        [&] {
            QSqlQuery update(m_store.connection());
            if (!sql::run(update,
                          QStringLiteral("UPDATE computers SET %1, changed_at = ? WHERE name = ?")
                              .arg(assignments.join(QStringLiteral(", "))),
                          values, error))
                return false;
            for (qsizetype k = 0; k < names.size(); ++k) {
                if (computer.settings[k] != newSettings[k] &&
                    !insertAudit(
                        {0, now, operatorName, computer.name, names[k], computer.settings[k], newSettings[k]},
                        error))
                    return false;
            }
            return true;
        },
        error);
}

bool FleetStore::addAudit(const AuditEntry& entry, QString* error) {
    return m_store.inTransaction([&] { return insertAudit(entry, error); }, error);
}

bool FleetStore::insertAudit(const AuditEntry& entry, QString* error) {
    QSqlQuery query(m_store.connection());
    return sql::run(
        query,
        QStringLiteral("INSERT INTO audit (at, operator, computer, setting, old_value, new_value) "
                       "VALUES (?, ?, ?, ?, ?, ?)"),
        {sql::storedTime(entry.at), entry.operatorName, entry.computer, entry.setting,
         sql::text(entry.oldValue), sql::text(entry.newValue)},
        error);
}

std::optional<QList<AuditEntry>> FleetStore::audit(const QString& computer, const QString& operatorName,
                                                   int limit, qint64 beforeId, QString* error) {
    QStringList conditions{QStringLiteral("id < ?")};
    QVariantList values{beforeId > 0 ? beforeId : std::numeric_limits<qint64>::max()};
    if (!computer.isEmpty()) {
        conditions << QStringLiteral("computer = ?");
        values << computer;
    }
    if (!operatorName.isEmpty()) {
        conditions << QStringLiteral("operator = ?");
        values << operatorName;
    }
    values << limit;
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (!sql::run(
            query,
            QStringLiteral("SELECT id, at, operator, computer, setting, old_value, new_value FROM audit "
                           "WHERE %1 ORDER BY id DESC LIMIT ?")
                .arg(conditions.join(QStringLiteral(" AND "))),
            values, error))
        return std::nullopt;
    QList<AuditEntry> entries;
    while (query.next())
        entries << AuditEntry{query.value(0).toLongLong(), sql::readStoredTime(query.value(1).toString()),
                              query.value(2).toString(),   query.value(3).toString(),
                              query.value(4).toString(),   query.value(5).toString(),
                              query.value(6).toString()};
    return entries;
}

} // namespace server
