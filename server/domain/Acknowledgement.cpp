#include "domain/Acknowledgement.h"

#include <QStringList>

namespace server {

QString alertFingerprint(const QHash<QString, QString>& conditions) {
    QStringList parts;
    for (auto it = conditions.begin(); it != conditions.end(); ++it)
        parts << it.key() + QLatin1Char('=') + it.value();
    parts.sort();
    return parts.join(QLatin1Char('\n'));
}

bool acknowledgementStands(const Acknowledgement& acknowledgement, const QString& standingAlert,
                           const QDateTime& now) {
    if (standingAlert.isEmpty() || acknowledgement.alert != standingAlert)
        return false;
    return !acknowledgement.until.isValid() || now < acknowledgement.until;
}

} // namespace server
