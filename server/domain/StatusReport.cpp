#include "domain/StatusReport.h"

#include "WireFormat.h"

namespace server {

StatusReport::StatusReport(QStringList values) : m_values(std::move(values)) {
    Q_ASSERT(m_values.size() == wire::reportKeys().size());
}

QString StatusReport::value(const QString& key) const {
    return m_values.value(wire::reportKeys().indexOf(key));
}

QString StatusReport::computerName() const {
    return value(QStringLiteral("sComputerName"));
}

SettingsRecord StatusReport::settings() const {
    QStringList pieces;
    for (const QString& key : wire::settingsReportKeys())
        pieces << value(key);
    return SettingsRecord(pieces);
}

StatusReport StatusReport::withSettings(const SettingsRecord& settings) const {
    QStringList values = m_values;
    for (int k = 0; k < wire::kSettingsPieceCount; ++k)
        values[wire::reportKeys().indexOf(wire::settingsReportKeys().at(k))] = settings.pieces().at(k);
    return StatusReport(values);
}

} // namespace server
