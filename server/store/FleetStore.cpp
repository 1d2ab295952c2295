#include "store/FleetStore.h"

#include "domain/SettingsRecord.h"
#include "domain/Silence.h"
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

// A computer's settings and latest status; binds whatever `where` holds.
QString computerViews(const QString& where) {
    return QStringLiteral(
               "SELECT c.name, s.received_at, c.registered_at, c.changed_at, %1, %2 FROM computers c "
               "LEFT JOIN latest_status s ON s.name = c.name %3")
        .arg(quotedList(QStringLiteral("c"), SettingsRecord::fieldNames()),
             quotedList(QStringLiteral("s"), schema::statusKeys()), where);
}

ComputerView readComputerView(const QSqlQuery& query, const QDateTime& now) {
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
    const QString settingTime = view.report.value(QStringLiteral("sSettingTime"));
    view.alert = view.report.value(QStringLiteral("sAlertStatus")) == QLatin1String("1");
    view.silent = isSilent(view.lastReport, settingTime, now);
    view.silentAfterSeconds = silentAfterSeconds(settingTime);
    view.cycleSeconds = cycleSeconds(settingTime);
    return view;
}

// What the fleet's order needs of every computer; the wide rows are read only for the page shown.
struct FleetEntry {
    QString name;
    int trouble = 0; // 0 alerting, 1 silent, 2 neither
};

} // namespace

Result<FleetPage> FleetStore::fleetPage(const QString& search, int page, int pageSize, const QDateTime& now) {
    QSqlQuery all(m_store.connection());
    all.setForwardOnly(true);
    if (auto done =
            sql::run(all,
                     QStringLiteral("SELECT c.name, c.\"SettingTime\", s.received_at, s.\"sAlertStatus\" "
                                    "FROM computers c LEFT JOIN latest_status s ON s.name = c.name"),
                     {});
        !done)
        return Failure{done.reason()};
    FleetPage result;
    QList<FleetEntry> matching;
    // Stored times sort as text, so each interval's silence becomes one cut-off text: reading ten thousand
    // date-times would cost more than the rest of the page.
    QHash<QString, QString> cutoffs;
    const auto silenceCutoff = [&](const QString& settingTime) {
        auto it = cutoffs.find(settingTime);
        if (it == cutoffs.end())
            it = cutoffs.insert(settingTime, sql::storedTime(now.addSecs(-silentAfterSeconds(settingTime))));
        return *it;
    };
    while (all.next()) {
        const bool alert = all.value(3).toString() == QLatin1String("1");
        const QString receivedAt = all.value(2).toString();
        const bool silent = receivedAt.isEmpty() || receivedAt <= silenceCutoff(all.value(1).toString());
        result.alerting += alert;
        result.silent += silent;
        const QString name = all.value(0).toString();
        if (name.contains(search, Qt::CaseInsensitive))
            matching.append({name, alert ? 0 : silent ? 1 : 2});
    }
    result.matching = static_cast<int>(matching.size());
    const qsizetype first = std::min<qsizetype>(qint64(page) * pageSize, matching.size());
    const qsizetype last = std::min<qsizetype>(first + pageSize, matching.size());
    std::partial_sort(matching.begin(), matching.begin() + last, matching.end(),
                      [](const FleetEntry& a, const FleetEntry& b) {
                          return a.trouble != b.trouble ? a.trouble < b.trouble : a.name < b.name;
                      });
    QVariantList names;
    for (qsizetype k = first; k < last; ++k)
        names << matching[k].name;
    if (names.isEmpty())
        return result;
    QSqlQuery rows(m_store.connection());
    rows.setForwardOnly(true);
    const QString marks = QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", "));
    if (auto done = sql::run(rows, computerViews(QStringLiteral("WHERE c.name IN (%1)").arg(marks)), names);
        !done)
        return Failure{done.reason()};
    QHash<QString, ComputerView> views;
    while (rows.next()) {
        ComputerView view = readComputerView(rows, now);
        views.insert(view.name, view);
    }
    for (const QVariant& name : names)
        result.computers << views.value(name.toString());
    return result;
}

Result<std::optional<ComputerView>> FleetStore::computer(const QString& name, const QDateTime& now) {
    QSqlQuery query(m_store.connection());
    if (auto done = sql::run(query, computerViews(QStringLiteral("WHERE c.name = ?")), {name}); !done)
        return Failure{done.reason()};
    if (!query.next())
        return std::optional<ComputerView>();
    return std::optional(readComputerView(query, now));
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
    const QStringList& names = SettingsRecord::fieldNames();
    QStringList assignments;
    QVariantList values;
    for (qsizetype k = 0; k < names.size(); ++k) {
        assignments << quoted(names[k]) + QStringLiteral(" = ?");
        values << sql::text(newSettings[k]);
    }
    values << sql::storedTime(now) << computer.name;
    return m_store.inTransaction([&]() -> Result<> {
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
    });
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
                    {sql::storedTime(entry.at), entry.operatorName, entry.computer, entry.setting,
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
