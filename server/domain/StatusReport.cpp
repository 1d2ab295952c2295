#include "domain/StatusReport.h"

#include "WireFormat.h"

#include <QHash>

namespace server {
namespace {

// Storing one report looks up most of its 67 values by key: a search of the key list each time cost more
// than the rest of the reading.
qsizetype indexOfKey(const QString& key) {
    static const QHash<QString, qsizetype> index = [] {
        QHash<QString, qsizetype> keys;
        for (qsizetype k = 0; k < wire::reportKeys().size(); ++k)
            keys.insert(wire::reportKeys().at(k), k);
        return keys;
    }();
    return index.value(key, -1);
}

} // namespace

StatusReport::StatusReport(QStringList values) : m_values(std::move(values)) {
    Q_ASSERT(m_values.size() == wire::reportKeys().size());
}

QString StatusReport::value(const QString& key) const {
    return m_values.value(indexOfKey(key));
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
        values[indexOfKey(wire::settingsReportKeys().at(k))] = settings.pieces().at(k);
    return StatusReport(values);
}

} // namespace server
