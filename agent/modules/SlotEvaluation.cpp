#include "modules/SlotEvaluation.h"

#include "modules/AgentError.h"
#include "modules/BlankTrim.h"
#include "modules/LogLines.h"
#include "modules/StatusLog.h"
#include "ScanErrorLine.h"

#include <cmath>

namespace mdlProcessAlerts {

namespace {

constexpr double kNearLimitPercent = 75.0;

double limitValue(const QString& alert) {
    bool isNumber = false;
    const double limit = alert.trimmed().toDouble(&isNumber);
    if (!isNumber)
        throw AgentError(QStringLiteral("the alert limit \"%1\" is not a number").arg(alert));
    return limit;
}

QString overLimitLine(int slot, const QString& dir, const QString& count, const QString& alert) {
    // Slot 3 has always worded its line this way, and operators' filters may look for it.
    if (slot == 3)
        return QStringLiteral("Directory %1 contains %2 files. (Alert:%3)").arg(dir, count, alert) +
               kLineBreak;
    return QStringLiteral("Directory %1 contains %2 files (Alert:%3).").arg(dir, count, alert) + kLineBreak;
}

QString nearLimitLine(const QString& dir, const QString& count, const QString& alert) {
    return QStringLiteral("Notice: Directory %1 contains %2 files (Alert:%3).").arg(dir, count, alert) +
           kLineBreak;
}

} // namespace

bool slotIsActive(const QString& dir) {
    const QString trimmed = trimBlanks(dir);
    bool isNumber = false;
    const double number = trimmed.toDouble(&isNumber);
    return !trimmed.isEmpty() && !(isNumber && number == 0);
}

std::optional<Measurement> readMeasurement(const QString& folderStats) {
    if (folderStats.isEmpty())
        return std::nullopt;
    return Measurement{folderStats.section(QLatin1Char('/'), 0, 0), folderStats.section(QLatin1Char('/'), 1)};
}

SlotResult evaluateSlot(int slot, const QString& folder, const QString& limit, const QString& folderStats) {
    // The lines go to the log and the report: a folder's name or a limit from the server must not break them.
    const QString dir = escapeControlCharacters(folder);
    const QString alert = escapeControlCharacters(limit);
    const auto measured = readMeasurement(folderStats);
    if (!measured)
        return {SlotState::ScanError, {}, {}, wire::scanErrorLine(dir) + kLineBreak};
    SlotResult result;
    result.size = measured->size;
    result.count = measured->count;
    const double limitNumber = limitValue(limit);
    const double count = result.count.toDouble();
    // The limit is the largest number of files allowed, so only more files than that are over it, in
    // every slot alike.
    if (std::floor(limitNumber) < count) {
        result.state = SlotState::OverLimit;
        result.alertLine = overLimitLine(slot, dir, result.count, alert);
    } else if (limitNumber != 0 && count / limitNumber * 100 > kNearLimitPercent) {
        result.state = SlotState::NearLimit;
        result.alertLine = nearLimitLine(dir, result.count, alert);
    } else {
        result.state = SlotState::Normal;
    }
    return result;
}

TreeImage imageFor(SlotState state) {
    switch (state) {
    case SlotState::ScanError:
    case SlotState::OverLimit:
        return TreeImage::Red;
    case SlotState::NearLimit:
        return TreeImage::Yellow;
    case SlotState::Normal:
    case SlotState::Inactive:
        break;
    }
    return TreeImage::Green;
}

} // namespace mdlProcessAlerts
