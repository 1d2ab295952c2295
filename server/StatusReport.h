#pragma once

#include "FormFields.h"
#include "SettingsRecord.h"

#include <optional>

namespace server {

// One status report as the agent sent it, every value decoded, in wire::reportKeys() order.
class StatusReport {
public:
    // Refuses a form that lacks any report key or names no computer, saying why.
    static std::optional<StatusReport> fromForm(const FormFields& form, QString* error);

    const QStringList& values() const { return m_values; }
    QString value(const QString& key) const;
    QString computerName() const;
    SettingsRecord settings() const;

private:
    explicit StatusReport(QStringList values) : m_values(std::move(values)) {}
    QStringList m_values;
};

} // namespace server
