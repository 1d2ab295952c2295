#include "api/ActionJson.h"

#include "api/ComputerJson.h"

namespace server {

QJsonObject windowJson(const MaintenanceWindow& window) {
    QJsonObject json{{"id", window.id},
                     {"from", timeJson(window.from)},
                     {"to", timeJson(window.to)},
                     {"operator", window.operatorName},
                     {"note", window.note}};
    if (!window.tag.isEmpty())
        json.insert("tag", window.tag);
    return json;
}

void insertActions(QJsonObject& computer, const ComputerActions& actions) {
    QJsonValue acknowledgement;
    if (const auto& standing = actions.acknowledgement)
        acknowledgement = QJsonObject{{"operator", standing->operatorName},
                                      {"note", standing->note},
                                      {"at", timeJson(standing->at)},
                                      {"until", timeJson(standing->until)}};
    computer.insert("acknowledgement", acknowledgement);
    computer.insert("maintenance",
                    actions.maintenance ? QJsonValue(windowJson(*actions.maintenance)) : QJsonValue());
}

std::optional<QDateTime> readApiMoment(const QString& text) {
    const QDateTime moment = QDateTime::fromString(text.trimmed(), Qt::ISODateWithMs);
    if (!moment.isValid())
        return std::nullopt;
    return moment.toLocalTime();
}

} // namespace server
