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

// Where each settings piece sits among the values: a report's settings are read three times or more.
const QList<qsizetype>& settingsIndex() {
    static const QList<qsizetype> index = [] {
        QList<qsizetype> pieces;
        for (const QString& key : wire::settingsReportKeys())
            pieces << indexOfKey(key);
        return pieces;
    }();
    return index;
}

} // namespace

StatusReport::StatusReport(QStringList values) : m_values(std::move(values)) {
    Q_ASSERT(m_values.size() == wire::reportKeys().size());
}

qsizetype StatusReport::position(const QString& key) {
    return indexOfKey(key);
}

QString StatusReport::value(const QString& key) const {
    return m_values.value(indexOfKey(key));
}

QString StatusReport::computerName() const {
    return value(QStringLiteral("sComputerName"));
}

SettingsRecord StatusReport::settings() const {
    QStringList pieces;
    pieces.reserve(settingsIndex().size());
    for (const qsizetype index : settingsIndex())
        pieces << m_values.at(index);
    return SettingsRecord(pieces);
}

StatusReport StatusReport::withSettings(const SettingsRecord& settings) const {
    QStringList values = m_values;
    for (int k = 0; k < wire::kSettingsPieceCount; ++k)
        values[settingsIndex().at(k)] = settings.pieces().at(k);
    return StatusReport(values);
}

} // namespace server
