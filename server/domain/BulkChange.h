#pragma once

#include "domain/SettingsRules.h"

#include <QJsonObject>
#include <QList>
#include <QMap>

namespace server {

// A settings change for many computers in one step: each computer's settings go through the same rules as
// one computer's change (SettingsRules), and the change is stored for all of them or for none.
inline constexpr int kMostComputersInBulk = 10000; // by the fleet's filter
inline constexpr int kMostNamesInBulk = 1000;      // named one by one (a request body stays small)

struct BulkComputer {
    QString name;
    QStringList settings; // as stored now, in piece order
};

// One asked setting on one computer; unchanged when the old and new texts are equal.
struct SettingShift {
    QString setting;
    QString oldValue;
    QString newValue;
};

struct BulkOutcome {
    QString name;
    QStringList newSettings; // empty when the computer cannot take the change
    QList<SettingShift> shifts;
    QMap<QString, QString> reasons; // by setting, as the per-computer editor shows them
};

struct BulkPlan {
    QList<BulkOutcome> computers;
    int refused = 0; // computers that cannot take the change
    int changes = 0; // settings whose value changes, over all computers
    // Of the computers and every shift and reason shown: the change applied must be the change previewed.
    QString fingerprint;
};

BulkPlan planBulkChange(const QList<BulkComputer>& computers, const QJsonObject& change,
                        const QDateTime& now);

} // namespace server
