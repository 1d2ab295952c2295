#include "api/ComputerJson.h"

#include "domain/FolderState.h"
#include "domain/ReportReadings.h"
#include "domain/SettingsRecord.h"
#include "ReportKeys.h"

#include <QJsonArray>

namespace server {
namespace {

QJsonValue numberOrNull(const QString& text) {
    return numberJson(reportedNumber(text));
}

QJsonArray foldersJson(const QHash<QString, QString>& values) {
    QJsonArray folders;
    for (int slot = 1; slot <= wire::kSlotCount; ++slot) {
        const QString dir = values.value(QStringLiteral("sDir%1").arg(slot));
        if (!folderInUse(dir))
            continue;
        const QString count = values.value(QStringLiteral("sCount%1").arg(slot));
        const QString limit = values.value(QStringLiteral("sAlert%1").arg(slot));
        folders.append(QJsonObject{{"slot", slot},
                                   {"dir", dir},
                                   {"count", numberOrNull(count)},
                                   {"limit", numberOrNull(limit)},
                                   {"size", numberOrNull(values.value(QStringLiteral("sSize%1").arg(slot)))},
                                   {"state", folderStateText(folderState(count, limit))}});
    }
    return folders;
}

QJsonArray disksJson(const QHash<QString, QString>& values) {
    QJsonArray disks;
    for (int disk = 1; disk <= kReportedDisks; ++disk) {
        const QString drive = values.value(QStringLiteral("sDisk%1").arg(disk));
        if (!drive.isEmpty())
            disks.append(
                QJsonObject{{"drive", drive},
                            {"freeBytes", numberJson(reportedFreeBytes(values.value(diskSpaceKey(disk))))}});
    }
    return disks;
}

void insertSilence(QJsonObject& object, const ComputerView& computer, const QDateTime& now) {
    object.insert("lastReport", timeJson(computer.lastReport));
    object.insert("secondsSinceReport",
                  computer.lastReport.isValid() ? QJsonValue(computer.lastReport.secsTo(now)) : QJsonValue());
    object.insert("silent", computer.silent);
    object.insert("silentAfterSeconds", computer.silentAfterSeconds);
    object.insert("alert", computer.alert);
}

} // namespace

QJsonValue numberJson(const std::optional<double>& number) {
    return number ? QJsonValue(*number) : QJsonValue();
}

QJsonValue timeJson(const QDateTime& moment) {
    if (!moment.isValid())
        return {};
    return moment.toOffsetFromUtc(moment.offsetFromUtc()).toString(Qt::ISODate);
}

QJsonObject settingsJson(const QStringList& pieces) {
    QJsonObject settings;
    const QStringList& names = SettingsRecord::fieldNames();
    for (qsizetype k = 0; k < names.size(); ++k)
        settings.insert(names[k], pieces.value(k));
    return settings;
}

QJsonObject reportJson(const QHash<QString, QString>& values) {
    return {{"alert", values.value(QStringLiteral("sAlertStatus")) == QLatin1String("1")},
            {"message", values.value(QStringLiteral("sMessage"))},
            {"ip", values.value(QStringLiteral("sIP"))},
            {"os", values.value(QStringLiteral("sOS"))},
            {"osVersion", values.value(QStringLiteral("sOSVersion"))},
            {"agentVersion", values.value(QStringLiteral("sORUVersion"))},
            {"folders", foldersJson(values)},
            {"disks", disksJson(values)}};
}

QJsonObject fleetRowJson(const ComputerView& computer, const QDateTime& now) {
    QJsonObject row{{"name", computer.name},
                    {"os", computer.report.value(QStringLiteral("sOS"))},
                    {"osVersion", computer.report.value(QStringLiteral("sOSVersion"))},
                    {"agentVersion", computer.report.value(QStringLiteral("sORUVersion"))}};
    insertSilence(row, computer, now);
    int over = 0;
    int near = 0;
    const QJsonObject report = reportJson(computer.report);
    for (const QJsonValue& folder : report.value("folders").toArray()) {
        const QString state = folder.toObject().value("state").toString();
        over += state == QLatin1String("red");
        near += state == QLatin1String("yellow");
    }
    QJsonObject lowest{{"freeBytes", QJsonValue()}, {"drive", QJsonValue()}};
    for (const QJsonValue& disk : report.value("disks").toArray()) {
        const QJsonObject fields = disk.toObject();
        const QJsonValue free = fields.value("freeBytes");
        if (free.isDouble() &&
            (lowest.value("freeBytes").isNull() || free.toDouble() < lowest.value("freeBytes").toDouble()))
            lowest = fields;
    }
    row.insert("foldersOver", over);
    row.insert("foldersNear", near);
    row.insert("lowestFreeBytes", lowest.value("freeBytes"));
    row.insert("lowestFreeDisk", lowest.value("drive"));
    return row;
}

QJsonObject computerJson(const ComputerView& computer, const QDateTime& now) {
    QJsonObject object{{"name", computer.name},
                       {"registeredAt", timeJson(computer.registeredAt)},
                       {"settingsChangedAt", timeJson(computer.settingsChangedAt)},
                       {"nextDownloadWithinSeconds", computer.cycleSeconds},
                       {"settings", settingsJson(computer.settings)}};
    insertSilence(object, computer, now);
    if (computer.lastReport.isValid()) {
        QJsonObject status = reportJson(computer.report);
        status.insert("receivedAt", timeJson(computer.lastReport));
        object.insert("status", status);
    } else {
        object.insert("status", QJsonValue());
    }
    return object;
}

QJsonObject auditJson(const AuditEntry& entry) {
    return {{"id", entry.id},
            {"at", timeJson(entry.at)},
            {"operator", entry.operatorName},
            {"computer", entry.computer},
            {"setting", entry.setting},
            {"oldValue", entry.oldValue},
            {"newValue", entry.newValue}};
}

} // namespace server
