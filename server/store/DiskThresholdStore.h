#pragma once

#include "domain/DiskThreshold.h"
#include "store/ServerStore.h"

namespace server {

// The free-space thresholds as stored: the fleet's default and each computer's own, "" for none. Each
// change leaves an audit row like any other setting change.
class DiskThresholdStore {
public:
    explicit DiskThresholdStore(ServerStore& store) : m_store(store) {}

    // The audit's names for the settings; the fleet default's rows name no computer.
    static QString settingName() { return QStringLiteral("DiskThreshold"); }
    static QString fleetSettingName() { return QStringLiteral("FleetDiskThreshold"); }

    Result<QString> fleetDefault();
    // Empty: no such computer.
    Result<std::optional<QString>> own(const QString& computer);
    // What counts for the computer now: its own threshold, else the fleet's.
    Result<std::optional<DiskThreshold>> effective(const QString& computer);

    Result<> setFleetDefault(const QString& text, const QString& operatorName, const QDateTime& now);
    Result<> setOwn(const QString& computer, const QString& text, const QString& operatorName,
                    const QDateTime& now);

private:
    Result<> audit(const QString& computer, const QString& setting, const QString& oldText,
                   const QString& newText, const QString& operatorName, const QDateTime& now);

    ServerStore& m_store;
};

} // namespace server
