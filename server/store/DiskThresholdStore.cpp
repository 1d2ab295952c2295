#include "store/DiskThresholdStore.h"

#include "store/SqlRun.h"
#include "store/StoreSchema.h"

namespace server {
namespace {
const QString kFleetDefaultName = QStringLiteral("disk_threshold");
} // namespace

Result<QString> DiskThresholdStore::fleetDefault() {
    QString value;
    if (auto done = m_store.runKept(QStringLiteral("SELECT value FROM fleet_settings WHERE name = ?"),
                                    {kFleetDefaultName},
                                    [&](const QSqlQuery& row) { value = row.value(0).toString(); });
        !done)
        return Failure{done.reason()};
    return value;
}

Result<std::optional<QString>> DiskThresholdStore::own(const QString& computer) {
    std::optional<QString> threshold;
    if (auto done =
            m_store.runKept(QStringLiteral("SELECT disk_threshold FROM computers WHERE name = ?"), {computer},
                            [&](const QSqlQuery& row) { threshold = row.value(0).toString(); });
        !done)
        return Failure{done.reason()};
    return threshold;
}

Result<std::optional<DiskThreshold>> DiskThresholdStore::effective(const QString& computer) {
    const auto fleet = fleetDefault();
    if (!fleet)
        return Failure{fleet.reason()};
    const auto mine = own(computer);
    if (!mine)
        return Failure{mine.reason()};
    return effectiveThreshold(mine->value_or(QString()), *fleet);
}

Result<> DiskThresholdStore::setFleetDefault(const QString& text, const QString& operatorName,
                                             const QDateTime& now) {
    return m_store.inTransaction([&]() -> Result<> {
        const auto before = fleetDefault();
        if (!before)
            return Failure{before.reason()};
        if (*before == text)
            return Result<>::success();
        QSqlQuery query(m_store.connection());
        if (auto done = sql::run(query,
                                 QStringLiteral("INSERT INTO fleet_settings (name, value) VALUES (?, ?) "
                                                "ON CONFLICT (name) DO UPDATE SET value = excluded.value"),
                                 {kFleetDefaultName, sql::text(text)});
            !done)
            return done;
        return audit(QString(), fleetSettingName(), *before, text, operatorName, now);
    });
}

Result<> DiskThresholdStore::setOwn(const QString& computer, const QString& text, const QString& operatorName,
                                    const QDateTime& now) {
    return m_store.inTransaction([&]() -> Result<> {
        const auto before = own(computer);
        if (!before)
            return Failure{before.reason()};
        if (!*before)
            return Failure{QStringLiteral("No computer is named \"%1\".").arg(computer)};
        if (**before == text)
            return Result<>::success();
        QSqlQuery query(m_store.connection());
        if (auto done =
                sql::run(query, QStringLiteral("UPDATE computers SET disk_threshold = ? WHERE name = ?"),
                         {sql::text(text), computer});
            !done)
            return done;
        return audit(computer, settingName(), **before, text, operatorName, now);
    });
}

Result<> DiskThresholdStore::audit(const QString& computer, const QString& setting, const QString& oldText,
                                   const QString& newText, const QString& operatorName,
                                   const QDateTime& now) {
    QSqlQuery query(m_store.connection());
    return sql::run(query, schema::insertAudit(),
                    {sql::storedTime(now), operatorName, sql::text(computer), setting, sql::text(oldText),
                     sql::text(newText)});
}

} // namespace server
