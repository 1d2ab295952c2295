#include "api/ComputerJson.h"

#include "domain/FolderCondition.h"
#include "domain/ReportReadings.h"
#include "domain/SettingsRecord.h"
#include "store/SqlRun.h"

#include <array>
#include <QJsonArray>

namespace server {
namespace {

QJsonValue numberOrNull(const QString& text) {
    return numberJson(reportedNumber(text));
}

QString limitKey(int slot) {
    return QStringLiteral("sAlert%1").arg(slot);
}

// `settingLimits`: the limits the server holds now, where they may differ from the report's; a limit the
// agent has not yet confirmed in a report is pending.
QJsonArray foldersJson(const QHash<QString, QString>& values, const QHash<QString, QString>& settingLimits) {
    QJsonArray folders;
    for (const FolderReading& folder :
         folderReadings([&](const QString& key) { return values.value(key); })) {
        QJsonObject entry{{"slot", folder.slot},
                          {"dir", folder.path},
                          {"count", numberOrNull(folder.files)},
                          {"limit", numberOrNull(folder.limit)},
                          {"size", numberOrNull(values.value(QStringLiteral("sSize%1").arg(folder.slot)))},
                          {"state", folderConditionText(folder.condition)}};
        const QString setLimit = settingLimits.value(limitKey(folder.slot), folder.limit);
        if (setLimit.trimmed() != folder.limit.trimmed())
            entry.insert("pendingLimit", setLimit);
        folders.append(entry);
    }
    return folders;
}

QJsonArray disksJson(const QHash<QString, QString>& values, const std::optional<DiskThreshold>& threshold) {
    QJsonArray disks;
    for (const DiskReading& disk : diskReadings([&](const QString& key) { return values.value(key); })) {
        QJsonObject entry{{"drive", disk.drive},
                          {"freeBytes", disk.freeBytes ? QJsonValue(*disk.freeBytes) : QJsonValue()}};
        if (threshold)
            entry.insert("low", disk.freeBytes && *disk.freeBytes < threshold->bytes);
        disks.append(entry);
    }
    return disks;
}

// The state and since when it stands; silence on its own as well, since it may stand beside another state.
void insertStanding(QJsonObject& object, const ComputerView& computer, const QDateTime& now) {
    const StandingRow& standing = computer.standing;
    object.insert("state", computerStateText(standing.state));
    object.insert("stateSince", timeJson(sql::readStoredTime(standing.since)));
    object.insert("lastReport", timeJson(computer.lastReport));
    object.insert("secondsSinceReport",
                  computer.lastReport.isValid() ? QJsonValue(computer.lastReport.secsTo(now)) : QJsonValue());
    object.insert("silent", standing.standing.silent);
    object.insert("silentAfterSeconds", computer.silentAfterSeconds);
    object.insert("alert", standing.standing.overLimit);
    object.insert("lowDisk", standing.standing.lowDisk);
}

// The latest report's values with the limits its folders are judged against.
QHash<QString, QString> latestValues(const ComputerView& computer) {
    QHash<QString, QString> values = computer.report;
    values.insert(computer.judgedLimits);
    return values;
}

std::optional<DiskThreshold> thresholdOf(const ComputerView& computer) {
    return effectiveThreshold(computer.diskThreshold, computer.fleetDiskThreshold);
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

QJsonObject reportJson(const QHash<QString, QString>& values, const QHash<QString, QString>& settingLimits,
                       const std::optional<DiskThreshold>& threshold) {
    return {{"alert", values.value(QStringLiteral("sAlertStatus")) == QLatin1String("1")},
            {"message", values.value(QStringLiteral("sMessage"))},
            {"ip", values.value(QStringLiteral("sIP"))},
            {"os", values.value(QStringLiteral("sOS"))},
            {"osVersion", values.value(QStringLiteral("sOSVersion"))},
            {"agentVersion", values.value(QStringLiteral("sORUVersion"))},
            {"folders", foldersJson(values, settingLimits)},
            {"disks", disksJson(values, threshold)}};
}

QJsonObject fleetRowJson(const ComputerView& computer, const QDateTime& now) {
    QJsonObject row{{"name", computer.name},
                    {"os", computer.report.value(QStringLiteral("sOS"))},
                    {"osVersion", computer.report.value(QStringLiteral("sOSVersion"))},
                    {"agentVersion", computer.report.value(QStringLiteral("sORUVersion"))},
                    {"address", computer.report.value(QStringLiteral("sIP"))}};
    insertStanding(row, computer, now);
    const QHash<QString, QString> values = latestValues(computer);
    std::array<int, 4> counts{}; // by FolderCondition
    for (const FolderReading& folder : folderReadings([&](const QString& key) { return values.value(key); }))
        ++counts[size_t(folder.condition)];
    row.insert("foldersOver", counts[size_t(FolderCondition::Over)]);
    row.insert("foldersNear", counts[size_t(FolderCondition::Near)]);
    row.insert("foldersUnreadable", counts[size_t(FolderCondition::ScanError)]);
    const auto fullest = fullestDisk(diskReadings([&](const QString& key) { return values.value(key); }));
    row.insert("lowestFreeBytes", fullest ? QJsonValue(*fullest->freeBytes) : QJsonValue());
    row.insert("lowestFreeDisk", fullest ? QJsonValue(fullest->drive) : QJsonValue());
    return row;
}

QJsonObject computerJson(const ComputerView& computer, const QDateTime& now) {
    const auto threshold = thresholdOf(computer);
    QJsonObject object{{"name", computer.name},
                       {"registeredAt", timeJson(computer.registeredAt)},
                       {"settingsChangedAt", timeJson(computer.settingsChangedAt)},
                       {"nextDownloadWithinSeconds", computer.cycleSeconds},
                       {"settings", settingsJson(computer.settings)},
                       {"diskThreshold", computer.diskThreshold},
                       {"fleetDiskThreshold", computer.fleetDiskThreshold},
                       {"diskThresholdBytes", threshold ? QJsonValue(threshold->bytes) : QJsonValue()}};
    insertStanding(object, computer, now);
    if (computer.lastReport.isValid()) {
        QJsonObject status = reportJson(latestValues(computer), computer.report, threshold);
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
