#pragma once

#include "domain/FleetQuery.h"
#include "store/FleetStanding.h"
#include "store/OperatorActionStore.h"

#include <optional>
#include <QHash>
#include <QSet>

namespace server {

// One computer as the console shows it: the latest report's values and its settings, and what stands for it.
struct ComputerView {
    QString name;
    QDateTime lastReport; // invalid: never reported
    qint64 silentAfterSeconds = 0;
    qint64 cycleSeconds = 0; // a change reaches the computer within one cycle
    QDateTime registeredAt;
    QDateTime settingsChangedAt;
    QStringList settings;           // in piece order
    QHash<QString, QString> report; // report key -> value of the latest report, with the settings' folders
    QHash<QString, QString> judgedLimits; // sAlertN -> the limit its folders are judged against
    StandingRow standing;
    QString diskThreshold;      // its own, as stored; empty: the fleet's
    QString fleetDiskThreshold; // the fleet's, as stored; empty: none
};

struct FleetPage {
    int matching = 0; // computers the search and the filter find
    int page = 1;     // the page asked for, or the last one when that is past the end
    // Across the whole fleet, by filter word: each computer counts under everything that stands for it.
    QHash<QString, int> counts;
    int pending = 0; // names waiting for approval, not yet in the fleet
    QList<ComputerView> computers;
    QHash<QString, ComputerActions> actions; // by computer, for those that have any
};

struct StoredReport {
    qint64 id = 0;
    QDateTime receivedAt;
    QHash<QString, QString> values; // report key -> value
};

struct AuditEntry {
    qint64 id = 0;
    QDateTime at;
    QString operatorName;
    QString computer;
    QString setting;
    QString oldValue;
    QString newValue;
};

// What the console reads and changes: the fleet in trouble-first order, one computer, its history,
// settings changes and the audit they leave.
class FleetStore {
public:
    explicit FleetStore(ServerStore& store) : m_store(store) {}

    // The page of the computers `query` finds, in its order (see fleetOrder); `among` keeps only the
    // computers it names (none: all).
    Result<FleetPage> fleetPage(const FleetQuery& query, const std::optional<QSet<QString>>& among,
                                const QDateTime& now);

    // Empty: no such computer.
    Result<std::optional<ComputerView>> computer(const QString& name, const QDateTime& now);

    // Newest first, only reports older than `beforeId` when it is above 0.
    Result<QList<StoredReport>> reports(const QString& name, int limit, qint64 beforeId);

    // Stores the new settings and one audit row per changed setting, all or nothing.
    Result<> changeSettings(const ComputerView& computer, const QStringList& newSettings,
                            const QString& operatorName, const QDateTime& now);
    // The same inside a transaction the caller holds (a change to many computers at once).
    Result<> writeSettings(const ComputerView& computer, const QStringList& newSettings,
                           const QString& operatorName, const QDateTime& now);

    // Forgets a name that waits for approval; it may ask again later and wait again.
    Result<> refusePending(const QString& name);

    // An audit row of its own, for a change made elsewhere (enrolment).
    Result<> addAudit(const AuditEntry& entry);
    // The same inside a transaction the caller holds.
    Result<> insertAudit(const AuditEntry& entry);
    // Newest first; empty filters match everything.
    Result<QList<AuditEntry>> audit(const QString& computer, const QString& operatorName, int limit,
                                    qint64 beforeId);

private:
    Result<QList<ComputerView>> views(const QList<StandingRow>& standings);

    ServerStore& m_store;
};

} // namespace server
