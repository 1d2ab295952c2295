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
                                    {kFleetDefaultName}, [&](const QStringList& row) { value = row.at(0); });
        !done)
        return Failure{done.reason()};
    return value;
}

Result<std::optional<QString>> DiskThresholdStore::own(const QString& computer) {
    std::optional<QString> threshold;
    if (auto done = m_store.runKept(QStringLiteral("SELECT disk_threshold FROM computers WHERE name = ?"),
                                    {computer}, [&](const QStringList& row) { threshold = row.at(0); });
        !done)
        return Failure{done.reason()};
    return threshold;
}

// Every report asks this, so both texts come in one statement; a missing row reads as no text.
Result<std::optional<DiskThreshold>> DiskThresholdStore::effective(const QString& computer) {
    QString mine;
    QString fleet;
    if (auto done =
            m_store.runKept(QStringLiteral("SELECT (SELECT disk_threshold FROM computers WHERE name = ?), "
                                           "(SELECT value FROM fleet_settings WHERE name = ?)"),
                            {computer, kFleetDefaultName},
                            [&](const QStringList& row) {
                                mine = row.at(0);
                                fleet = row.at(1);
                            });
        !done)
        return Failure{done.reason()};
    return effectiveThreshold(mine, fleet);
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
