#include "store/DatabaseIdentity.h"

#include <QFile>
#include <QSaveFile>

namespace server {

QString identityMarkerPath(const QString& databaseFile) {
    return databaseFile + QStringLiteral(".identity");
}

QString recordedIdentity(const QString& databaseFile) {
    QFile marker(identityMarkerPath(databaseFile));
    if (!marker.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(marker.readLine(100)).trimmed();
}

Result<> recordIdentity(const QString& databaseFile, const QString& identity) {
    if (recordedIdentity(databaseFile) == identity)
        return Result<>::success();
    QSaveFile marker(identityMarkerPath(databaseFile));
    if (marker.open(QIODevice::WriteOnly) && marker.write(identity.toUtf8() + '\n') > 0 && marker.commit())
        return Result<>::success();
    return Failure{
        QStringLiteral("cannot record its identity in %1: %2").arg(marker.fileName(), marker.errorString())};
}

QString missingDatabaseReason(const QString& recorded) {
    if (recorded.isEmpty())
        return QStringLiteral("there is no database there; give the one this server used, or start with "
                              "--new-database to create an empty one");
    return QStringLiteral("the database this server used (identity %1) is gone; restore it from a backup, or "
                          "start with --new-database to begin again with an empty one")
        .arg(recorded);
}

} // namespace server
