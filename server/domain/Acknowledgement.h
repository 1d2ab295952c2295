#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

namespace server {

// An operator's word that they know of a computer's alert: it quiets the alert as the console shows it
// until the alert changes (another folder, another state) or the acknowledgement runs out.
struct Acknowledgement {
    QString computer;
    QString operatorName;
    QString note;
    QDateTime at;
    QDateTime until; // invalid: until the alert changes
    QString alert;   // the alert acknowledged, as alertFingerprint() writes it
};

// A computer's standing conditions (subject -> state) as one text, the same whatever their order: what an
// acknowledgement is bound to. Empty when nothing stands.
QString alertFingerprint(const QHash<QString, QString>& conditions);

// Whether `acknowledgement` still covers the alert standing now; it runs out at `until` itself.
bool acknowledgementStands(const Acknowledgement& acknowledgement, const QString& standingAlert,
                           const QDateTime& now);

} // namespace server
