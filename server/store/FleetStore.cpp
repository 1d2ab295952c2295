#include "store/FleetStore.h"

#include "domain/SettingsRecord.h"
#include "domain/Silence.h"
#include "store/DiskThresholdStore.h"
#include "store/FleetFinding.h"
#include "store/JudgedLimits.h"
#include "store/SqlRun.h"
#include "store/StoreSchema.h"
#include "WireFormat.h"

#include <algorithm>
#include <limits>

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

QString judgedLimitColumns() {
    QStringList columns;
    for (int slot = 1; slot <= wire::kSlotCount; ++slot)
        columns << judged::limitColumn(slot);
    return columns.join(QStringLiteral(", "));
}

// A computer's settings, latest status and judged limits; binds whatever `where` holds.
QString computerViews(const QString& where) {
    return QStringLiteral("SELECT c.name, s.received_at, c.registered_at, c.changed_at, %1, %2, "
                          "c.disk_threshold, %3 FROM computers c "
                          "LEFT JOIN latest_status s ON s.name = c.name %4 %5")
        .arg(quotedList(QStringLiteral("c"), SettingsRecord::fieldNames()),
             quotedList(QStringLiteral("s"), schema::statusKeys()), judgedLimitColumns(),
             judged::latestReportJoin(), where);
}

ComputerView readComputerView(const QSqlQuery& query) {
    ComputerView view;
    view.name = query.value(0).toString();
    view.lastReport = sql::readStoredTime(query.value(1).toString());
    view.registeredAt = sql::readStoredTime(query.value(2).toString());
    view.settingsChangedAt = sql::readStoredTime(query.value(3).toString());
    int column = 4;
    for (const QString& key : wire::settingsReportKeys()) {
        view.settings << query.value(column++).toString();
        view.report.insert(key, view.settings.last());
    }
    for (const QString& key : schema::statusKeys())
        view.report.insert(key, query.value(column++).toString());
    view.report.insert(QStringLiteral("sComputerName"), view.name);
    view.diskThreshold = query.value(column++).toString();
    for (int slot = 1; slot <= wire::kSlotCount; ++slot)
        view.judgedLimits.insert(QStringLiteral("sAlert%1").arg(slot), query.value(column++).toString());
    const QString settingTime = view.report.value(QStringLiteral("sSettingTime"));
    view.silentAfterSeconds = silentAfterSeconds(settingTime);
    view.cycleSeconds = cycleSeconds(settingTime);
    return view;
}

} // namespace

Result<FleetPage> FleetStore::fleetPage(const FleetQuery& query, const std::optional<QSet<QString>>& among,
                                        const QDateTime& now) {
    const auto all = readStandings(m_store, QString(), {}, now, query.search);
    const auto actions = OperatorActionStore(m_store).everyonesActions(now);
    const auto pending = m_store.pendingEnrolments();
    if (!all || !actions || !pending)
        return Failure{all.reason() + actions.reason() + pending.reason()};
    FleetPage result;
    result.pending = static_cast<int>(pending->size());
    result.actions = *actions;
    QList<StandingRow> matching;
    for (const StandingRow& row : *all) {
        const ComputerActions acted = actions->value(row.name);
        for (const QString& word : fleetFilterWords())
            result.counts[word] += fleetFilterKeeps(word, row.standing, acted);
        if (row.found && (!among || among->contains(row.name)) &&
            fleetFilterKeeps(query.only, row.standing, acted))
            matching.append(row);
    }
    result.matching = static_cast<int>(matching.size());
    result.page = std::min(query.page, lastFleetPage(result.matching, query.pageSize));
    const qsizetype first = qsizetype(result.page - 1) * query.pageSize;
    const qsizetype last = std::min<qsizetype>(first + query.pageSize, matching.size());
    std::partial_sort(matching.begin(), matching.begin() + last, matching.end(), fleetOrder(query));
    const auto shown = views(matching.mid(first, last - first));
    if (!shown)
        return Failure{shown.reason()};
    result.computers = *shown;
    return result;
}

// The wide rows of the computers shown, in the order given, with their standing.
Result<QList<ComputerView>> FleetStore::views(const QList<StandingRow>& standings) {
    QVariantList names;
    for (const StandingRow& row : standings)
        names << row.name;
    if (names.isEmpty())
        return QList<ComputerView>();
    QSqlQuery rows(m_store.connection());
    rows.setForwardOnly(true);
    const QString marks = QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", "));
    if (auto done = sql::run(rows, computerViews(QStringLiteral("WHERE c.name IN (%1)").arg(marks)), names);
        !done)
        return Failure{done.reason()};
    QHash<QString, ComputerView> byName;
    while (rows.next()) {
        ComputerView view = readComputerView(rows);
        byName.insert(view.name, view);
    }
    rows.finish();
    const auto fleetThreshold = DiskThresholdStore(m_store).fleetDefault();
    if (!fleetThreshold)
        return Failure{fleetThreshold.reason()};
    QList<ComputerView> views;
    for (const StandingRow& row : standings) {
        ComputerView view = byName.value(row.name);
        view.standing = row;
        view.fleetDiskThreshold = *fleetThreshold;
        views << view;
    }
    return views;
}

Result<std::optional<ComputerView>> FleetStore::computer(const QString& name, const QDateTime& now) {
    const auto standing = readStandings(m_store, QStringLiteral("WHERE c.name = ?"), {name}, now);
    if (!standing)
        return Failure{standing.reason()};
    if (standing->isEmpty())
        return std::optional<ComputerView>();
    const auto view = views(*standing);
    if (!view)
        return Failure{view.reason()};
    return std::optional(view->first());
}

Result<QList<StoredReport>> FleetStore::reports(const QString& name, int limit, qint64 beforeId) {
    QStringList columns;
    for (const QString& key : wire::reportKeys())
        columns << quoted(key);
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done = sql::run(
            query,
            QStringLiteral("SELECT id, received_at, %1 FROM reports WHERE \"sComputerName\" = ? AND id < ? "
                           "ORDER BY id DESC LIMIT ?")
                .arg(columns.join(QStringLiteral(", "))),
            {name, beforeId > 0 ? beforeId : std::numeric_limits<qint64>::max(), limit});
        !done)
        return Failure{done.reason()};
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

Result<> FleetStore::changeSettings(const ComputerView& computer, const QStringList& newSettings,
                                    const QString& operatorName, const QDateTime& now) {
    return m_store.inTransaction([&] { return writeSettings(computer, newSettings, operatorName, now); });
}

Result<> FleetStore::writeSettings(const ComputerView& computer, const QStringList& newSettings,
                                   const QString& operatorName, const QDateTime& now) {
    const QStringList& names = SettingsRecord::fieldNames();
    QStringList assignments;
    QVariantList values;
    for (qsizetype k = 0; k < names.size(); ++k) {
        assignments << quoted(names[k]) + QStringLiteral(" = ?");
        values << sql::text(newSettings[k]);
    }
    values << sql::storedTime(now) << computer.name;
    QSqlQuery update(m_store.connection());
    if (auto done = sql::run(update,
                             QStringLiteral("UPDATE computers SET %1, changed_at = ? WHERE name = ?")
                                 .arg(assignments.join(QStringLiteral(", "))),
                             values);
        !done)
        return done;
    for (qsizetype k = 0; k < names.size(); ++k) {
        if (computer.settings[k] == newSettings[k])
            continue;
        if (auto audited = insertAudit(
                {0, now, operatorName, computer.name, names[k], computer.settings[k], newSettings[k]});
            !audited)
            return audited;
        QSqlQuery held(m_store.connection());
        if (auto recorded = sql::run(held, schema::recordOperatorChange(),
                                     {computer.name, names[k], sql::storedTime(now)});
            !recorded)
            return recorded;
    }
    return Result<>::success();
}

Result<> FleetStore::refusePending(const QString& name) {
    return m_store.inTransaction([&]() -> Result<> {
        QSqlQuery query(m_store.connection());
        if (auto done = sql::run(
                query, QStringLiteral("DELETE FROM enrolments WHERE name = ? AND state = 'pending'"), {name});
            !done)
            return done;
        if (query.numRowsAffected() == 1)
            return Result<>::success();
        return Failure{QStringLiteral("\"%1\" is not waiting for approval").arg(name)};
    });
}

Result<> FleetStore::addAudit(const AuditEntry& entry) {
    return m_store.inTransaction([&] { return insertAudit(entry); });
}

Result<> FleetStore::insertAudit(const AuditEntry& entry) {
    QSqlQuery query(m_store.connection());
    return sql::run(query, schema::insertAudit(),
                    {sql::storedTime(entry.at), entry.operatorName, sql::text(entry.computer), entry.setting,
                     sql::text(entry.oldValue), sql::text(entry.newValue)});
}

Result<QList<AuditEntry>> FleetStore::audit(const QString& computer, const QString& operatorName, int limit,
                                            qint64 beforeId) {
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
    if (auto done = sql::run(
            query,
            QStringLiteral("SELECT id, at, operator, computer, setting, old_value, new_value FROM audit "
                           "WHERE %1 ORDER BY id DESC LIMIT ?")
                .arg(conditions.join(QStringLiteral(" AND "))),
            values);
        !done)
        return Failure{done.reason()};
    QList<AuditEntry> entries;
    while (query.next())
        entries << AuditEntry{query.value(0).toLongLong(), sql::readStoredTime(query.value(1).toString()),
                              query.value(2).toString(),   query.value(3).toString(),
                              query.value(4).toString(),   query.value(5).toString(),
                              query.value(6).toString()};
    return entries;
}

} // namespace server
