#include "domain/BulkChange.h"

#include <algorithm>
#include <QCryptographicHash>

namespace server {
namespace {

// The asked settings first, in the order of the settings reply, then any the rules changed besides.
QList<SettingShift> shiftsOf(const QStringList& before, const QStringList& after, const QJsonObject& change) {
    const QStringList& names = SettingsRecord::fieldNames();
    QList<SettingShift> shifts;
    for (qsizetype k = 0; k < names.size(); ++k) {
        if (change.contains(names[k]) || before[k] != after[k])
            shifts << SettingShift{names[k], before[k], after[k]};
    }
    return shifts;
}

BulkOutcome outcomeOf(const BulkComputer& computer, const QJsonObject& change, const QDateTime& now) {
    const SettingsChange applied = applySettingsChange(SettingsRecord(computer.settings), change, now);
    BulkOutcome outcome{computer.name, {}, {}, applied.reasons};
    if (applied.settings) {
        outcome.newSettings = applied.settings->pieces();
        outcome.shifts = shiftsOf(computer.settings, outcome.newSettings, change);
    }
    return outcome;
}

// Fields and records apart by control characters no setting or name may carry into the digest ambiguously.
void addToDigest(QCryptographicHash& digest, const BulkOutcome& outcome) {
    const auto field = [&](const QString& text) { digest.addData((text + QChar(0x1f)).toUtf8()); };
    field(outcome.name);
    for (const SettingShift& shift : outcome.shifts) {
        field(shift.setting);
        field(shift.oldValue);
        field(shift.newValue);
    }
    for (auto it = outcome.reasons.begin(); it != outcome.reasons.end(); ++it) {
        field(it.key());
        field(it.value());
    }
    digest.addData(QByteArrayView("\x1e"));
}

} // namespace

BulkPlan planBulkChange(const QList<BulkComputer>& computers, const QJsonObject& change,
                        const QDateTime& now) {
    BulkPlan plan;
    QCryptographicHash digest(QCryptographicHash::Sha256);
    for (const BulkComputer& computer : computers) {
        BulkOutcome outcome = outcomeOf(computer, change, now);
        plan.refused += outcome.reasons.isEmpty() ? 0 : 1;
        for (const SettingShift& shift : outcome.shifts)
            plan.changes += shift.oldValue != shift.newValue ? 1 : 0;
        addToDigest(digest, outcome);
        plan.computers << std::move(outcome);
    }
    plan.fingerprint = QString::fromLatin1(digest.result().toHex());
    return plan;
}

} // namespace server
