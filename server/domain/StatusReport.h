#pragma once

#include "domain/SettingsRecord.h"

namespace server {

// One status report as the agent sent it, every value decoded, in wire::reportKeys() order.
class StatusReport {
public:
    // Exactly one value per report key.
    explicit StatusReport(QStringList values);

    // Where the key's value sits among values(), or -1 for a key a report does not have.
    static qsizetype position(const QString& key);

    const QStringList& values() const { return m_values; }
    QString value(const QString& key) const;
    QString computerName() const;
    SettingsRecord settings() const;
    // The same report with `settings` in place of the ones it carried.
    StatusReport withSettings(const SettingsRecord& settings) const;

private:
    QStringList m_values;
};

} // namespace server
