#include "domain/SettingsRules.h"

#include "DateTimeText.h"
#include "domain/FolderState.h"
#include "WireFormat.h"

#include <QJsonValue>
#include <QLocale>
#include <QRegularExpression>

namespace server {
namespace {

constexpr int kLongestValue = 1024;
constexpr qint64 kLargestInterval = 32766;               // the agent counts ticks in 16 bits
constexpr qint64 kLongestRebootHours = 24LL * 365 * 100; // the agent takes longer schedules for none
constexpr qint64 kLowestLimit = 1;                       // the agent's folder editor takes 1 to 9999
constexpr qint64 kHighestLimit = 9999;

const QString kStoredDateTime = QStringLiteral("yyyy-MM-dd HH:mm:ss");

Result<QString> refused(const QString& reason) {
    return Failure{reason};
}

Result<QString> plainText(const QString& text) {
    if (text.size() > kLongestValue)
        return refused(QStringLiteral("at most %1 characters").arg(kLongestValue));
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.category() == QChar::Other_Control; }))
        return refused(QStringLiteral("no control characters (line breaks, tabs)"));
    if (text.contains(wire::pieceSeparator()))
        return refused(QStringLiteral("no \", \" (comma and blank): the settings reply would split there"));
    return text;
}

Result<QString> wholeNumber(const QString& text, qint64 lowest, qint64 highest, bool emptyAllowed = false) {
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty() && emptyAllowed)
        return QString();
    static const QRegularExpression digits(QStringLiteral("^[+-]?[0-9]{1,12}$"));
    const QString range = QStringLiteral("a whole number from %1 to %2").arg(lowest).arg(highest);
    if (!digits.match(trimmed).hasMatch())
        return refused(range);
    const qint64 number = trimmed.toLongLong();
    if (number < lowest || number > highest)
        return refused(range);
    return QString::number(number);
}

Result<QString> dateTime(const QString& text, bool emptyAllowed) {
    if (text.trimmed().isEmpty() && emptyAllowed)
        return QString();
    const auto moment = wire::readDateTime(text);
    if (!moment)
        return refused(QStringLiteral("a date and time such as 2026-12-24 03:00"));
    return moment->toString(kStoredDateTime);
}

Result<QString> manualReboot(const QString& text, const QDateTime& now) {
    const Result<QString> check = dateTime(text, true);
    // The agent reboots for a request only while its time lies ahead, so a past one would never act.
    if (check && !check->isEmpty() && wire::readDateTime(*check) <= now)
        return refused(
            QStringLiteral("a time still ahead: the agent ignores a request whose time has passed"));
    return check;
}

Result<QString> truthValue(const QString& text) {
    const auto value = wire::readTruthValue(text);
    if (!value)
        return refused(QStringLiteral("true or false (or 1 and 0)"));
    return *value ? QStringLiteral("1") : QStringLiteral("0");
}

bool isSlotSetting(const QString& name, const QString& stem) {
    return name.startsWith(stem) && name.size() > stem.size() && name.at(stem.size()).isDigit();
}

// The JSON forms a value may take: text, a number, or (for Disable) a truth value.
std::optional<QString> valueText(const QJsonValue& value) {
    if (value.isString())
        return value.toString();
    if (value.isDouble())
        return QLocale::c().toString(value.toDouble(), 'g', 15);
    if (value.isBool())
        return value.toBool() ? QStringLiteral("true") : QStringLiteral("false");
    return std::nullopt;
}

// Only the slots the change touches: an old slot without a limit is not this change's fault.
void checkSlotsHaveLimits(const SettingsRecord& settings, const QJsonObject& change,
                          QMap<QString, QString>& reasons) {
    for (int slot = 1; slot <= wire::kSlotCount; ++slot) {
        const QString dirName = QStringLiteral("Dir%1").arg(slot);
        const QString alertName = QStringLiteral("Alert%1").arg(slot);
        if (!change.contains(dirName) && !change.contains(alertName))
            continue;
        if (const auto missing = missingLimit(settings, slot); missing && !reasons.contains(alertName))
            reasons.insert(alertName, *missing);
    }
}

} // namespace

std::optional<QString> missingLimit(const SettingsRecord& settings, int slot) {
    if (folderInUse(settings.folder(slot)) && settings.limit(slot).isEmpty())
        return QStringLiteral("a monitored folder needs a limit from 1 to 9999");
    return std::nullopt;
}

Result<QString> checkSetting(const QString& name, const QString& text, const QDateTime& now) {
    if (name == QLatin1String("SettingTime"))
        return wholeNumber(text, 0, kLargestInterval);
    if (name == QLatin1String("AutoRebootTime"))
        return wholeNumber(text, 0, kLongestRebootHours);
    if (name == QLatin1String("ManualReboot"))
        return manualReboot(text, now);
    if (name == QLatin1String("RebootTime"))
        return dateTime(text, true);
    if (name == QLatin1String("CheckUpdate"))
        return dateTime(text, false);
    if (name == QLatin1String("Disable"))
        return truthValue(text);
    if (isSlotSetting(name, QStringLiteral("Alert")))
        return wholeNumber(text, kLowestLimit, kHighestLimit, true);
    return plainText(text); // LogFlag, SnoozeTime and the folder paths
}

SettingsChange applySettingsChange(const SettingsRecord& current, const QJsonObject& change,
                                   const QDateTime& now) {
    const QStringList& names = SettingsRecord::fieldNames();
    SettingsChange result;
    QStringList pieces = current.pieces();
    for (auto it = change.begin(); it != change.end(); ++it) {
        const qsizetype piece = names.indexOf(it.key());
        const auto text = valueText(it.value());
        if (piece < 0) {
            result.reasons.insert(it.key(), QStringLiteral("no such setting"));
            continue;
        }
        if (!text) {
            result.reasons.insert(it.key(), QStringLiteral("a text or a number"));
            continue;
        }
        const Result<QString> check = checkSetting(it.key(), *text, now);
        if (!check) {
            result.reasons.insert(it.key(), check.reason());
            continue;
        }
        if (pieces[piece] != *check)
            result.changed << it.key();
        pieces[piece] = *check;
    }
    const SettingsRecord settings(pieces);
    checkSlotsHaveLimits(settings, change, result.reasons);
    if (const auto carriable = settings.checkCarriable(); !carriable)
        result.reasons.insert(QStringLiteral("settings"), carriable.reason());
    if (result.reasons.isEmpty())
        result.settings = settings;
    else
        result.changed.clear();
    return result;
}

} // namespace server
