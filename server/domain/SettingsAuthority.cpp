#include "domain/SettingsAuthority.h"

#include "domain/ReportedDates.h"
#include "domain/SettingsRules.h"
#include "WireFormat.h"

#include <optional>

namespace server {
namespace {

enum Piece { ManualReboot = 3, RebootTime = 5, CheckUpdate = 27 };

const QString kOnlyLater = QStringLiteral("a report may only move this date later");

// The agent's date order, read from its clock stamp only when a reported date differs from the server's:
// reading it tries many date forms, and most reports carry back the dates they were given.
class LazyDateOrders {
public:
    LazyDateOrders(const StatusReport& report, const QDateTime& now) : m_report(report), m_now(now) {}

    const DateOrders& get() {
        if (!m_orders)
            m_orders = agentDateOrders(m_report.value(QStringLiteral("sLogTime")), m_now);
        return *m_orders;
    }

private:
    const StatusReport& m_report;
    const QDateTime& m_now;
    std::optional<DateOrders> m_orders;
};

bool isSlot(int piece) {
    return piece >= SettingsRecord::folderPiece(1) && piece <= SettingsRecord::limitPiece(wire::kSlotCount);
}

// The server's own value is ISO unless an older server stored an agent's text; that reads in the agent's
// order.
Result<QString> laterDate(const QString& reported, const QString& server, const DateOrders& orders) {
    const auto moment = readReportedDateTime(reported, orders);
    if (!moment)
        return Failure{moment.reason()};
    const auto before = readReportedDateTime(server, orders);
    if (!before)
        return Failure{QStringLiteral("the server's value %1").arg(before.reason())};
    if (*moment <= *before)
        return Failure{kOnlyLater};
    return moment->toString(Qt::ISODate);
}

// The value to take, as the console's rules store it, or why the server's value stands.
Result<QString> acceptable(int piece, const QString& reported, const QString& server, LazyDateOrders& orders,
                           const QDateTime& now) {
    const QString& name = SettingsRecord::fieldNames().at(piece);
    if (piece == ManualReboot && !reported.isEmpty())
        return Failure{QStringLiteral("a report may only empty a reboot request")};
    if (piece == RebootTime || piece == CheckUpdate) {
        const auto later = laterDate(reported, server, orders.get());
        return later ? checkSetting(name, *later, now) : later;
    }
    if (isSlot(piece) || piece == ManualReboot)
        return checkSetting(name, reported, now);
    return Failure{QStringLiteral("only the server sets it")};
}

// A slot the report left without a limit for a folder in use goes back to the server's folder and limit.
void keepSlotsWithLimits(QStringList& pieces, const SettingsRecord& server, QMap<QString, QString>& refused) {
    for (int slot = 1; slot <= wire::kSlotCount; ++slot) {
        const auto missing = missingLimit(SettingsRecord(pieces), slot);
        if (!missing)
            continue;
        for (int piece : {SettingsRecord::folderPiece(slot), SettingsRecord::limitPiece(slot)}) {
            if (pieces[piece] != server.pieces().at(piece))
                refused.insert(wire::settingsReportKeys().at(piece), *missing);
            pieces[piece] = server.pieces().at(piece);
        }
    }
}

QList<SettingChange> changesBetween(const SettingsRecord& before, const QStringList& after) {
    QList<SettingChange> changes;
    for (int k = 0; k < after.size(); ++k) {
        if (after[k] != before.pieces().at(k))
            changes << SettingChange{SettingsRecord::fieldNames().at(k), before.pieces().at(k), after[k]};
    }
    return changes;
}

} // namespace

SettingsMerge mergeReportedSettings(const SettingsRecord& server, const StatusReport& report,
                                    const QSet<QString>& heldByOperator, const QDateTime& now) {
    LazyDateOrders orders(report, now);
    const QStringList reported = report.settings().pieces();
    QStringList pieces = server.pieces();
    QMap<QString, QString> refused;
    for (int k = 0; k < pieces.size(); ++k) {
        if (reported[k] == pieces[k])
            continue;
        const QString& key = wire::settingsReportKeys().at(k);
        if (heldByOperator.contains(SettingsRecord::fieldNames().at(k))) {
            refused.insert(key,
                           QStringLiteral("an operator changed it after the agent's last settings download"));
            continue;
        }
        if (const auto value = acceptable(k, reported[k], pieces[k], orders, now); !value)
            refused.insert(key, value.reason());
        else
            pieces[k] = *value;
    }
    keepSlotsWithLimits(pieces, server, refused);
    return {SettingsRecord(pieces), changesBetween(server, pieces), refused};
}

} // namespace server
