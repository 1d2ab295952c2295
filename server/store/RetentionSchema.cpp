#include "store/RetentionSchema.h"

#include "store/SqlDialect.h"
#include "store/StoreSchema.h"

namespace server::schema {
namespace {

QDateTime keepDays(const QDateTime& now, int days) {
    return now.addDays(-days);
}

// Expired sessions are worth nothing; those in use are bounded by logins, which are throttled.
QDateTime expired(const QDateTime& now, int) {
    return now;
}

// A computer still waiting asks again at its next contact and is pending anew, so a week is plenty for
// the names that stopped asking.
QDateTime aWeek(const QDateTime& now, int) {
    return now.addDays(-7);
}

// Deletes at most a batch of `table`'s rows whose `key` the selection names.
QString deleteBatch(const QString& table, const QString& key, const QString& selection) {
    return QStringLiteral("DELETE FROM %1 WHERE %2 IN (SELECT %2 FROM %1 WHERE %3 LIMIT %4)")
        .arg(table, key, selection)
        .arg(kPruneBatch);
}

} // namespace

QStringList boundedTables() {
    return {
        QStringLiteral("DROP TABLE login_failures"),
        QStringLiteral("CREATE TABLE login_failures (id %1, name TEXT NOT NULL, address TEXT NOT NULL, "
                       "at TEXT NOT NULL)")
            .arg(sql::rowIdColumn()),
        QStringLiteral("CREATE INDEX login_failures_by_name ON login_failures (name, address, at)"),
        QStringLiteral("CREATE INDEX login_failures_by_address ON login_failures (address, at)"),
        QStringLiteral("CREATE INDEX login_failures_by_time ON login_failures (at)"),
        QStringLiteral("ALTER TABLE operators ADD COLUMN last_login_at TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("ALTER TABLE sessions ADD COLUMN failed_logins INTEGER NOT NULL DEFAULT 0"),
        QStringLiteral("ALTER TABLE sessions ADD COLUMN last_failed_login TEXT NOT NULL DEFAULT ''"),
        QStringLiteral("CREATE INDEX sessions_by_expiry ON sessions (expires_at)"),
        QStringLiteral("CREATE INDEX events_by_time ON events (at)"),
        QStringLiteral("CREATE INDEX enrolments_by_state ON enrolments (state, asked_at)"),
        QStringLiteral("CREATE TABLE database_identity (id TEXT NOT NULL)"),
    };
}

// Reports, events with their deliveries and failed logins stay as long as the history (an operator is
// told at login of the failures since their last one); expired sessions go at once; names that stopped
// asking to enrol go after a week.
const QList<PruneRule>& pruneRules() {
    static const QString oldEvents =
        QStringLiteral("SELECT id FROM events WHERE at < ? ORDER BY at LIMIT %1").arg(kPruneBatch);
    static const QList<PruneRule> rules{
        {QStringLiteral("reports"), {pruneReports()}, keepDays},
        {QStringLiteral("events"),
         {QStringLiteral("DELETE FROM deliveries WHERE event IN (%1)").arg(oldEvents),
          QStringLiteral("DELETE FROM events WHERE id IN (%1)").arg(oldEvents)},
         keepDays},
        {QStringLiteral("failed logins"),
         {deleteBatch(QStringLiteral("login_failures"), QStringLiteral("id"), QStringLiteral("at < ?"))},
         keepDays},
        {QStringLiteral("sessions"),
         {deleteBatch(QStringLiteral("sessions"), QStringLiteral("token_hash"),
                      QStringLiteral("expires_at <= ?"))},
         expired},
        {QStringLiteral("pending enrolments"),
         {deleteBatch(QStringLiteral("enrolments"), QStringLiteral("name"),
                      QStringLiteral("state = 'pending' AND asked_at < ?"))},
         aWeek},
    };
    return rules;
}

} // namespace server::schema
