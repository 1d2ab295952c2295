#include "store/DatabaseLocation.h"

#include <QUrl>

namespace server {
namespace {

bool isPostgresAddress(const QString& text) {
    return text.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
           text.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive);
}

} // namespace

Result<DatabaseLocation> readDatabaseLocation(const QString& text) {
    DatabaseLocation location;
    if (!isPostgresAddress(text)) {
        location.file = text;
        return location;
    }
    const QUrl url(text, QUrl::StrictMode);
    location.backend = sql::Backend::Postgres;
    location.host = url.host();
    location.port = url.port(5432);
    location.user = url.userName();
    location.password = url.password();
    location.name = url.path().mid(1);
    if (!url.isValid() || location.host.isEmpty() || location.user.isEmpty() || location.name.isEmpty() ||
        location.name.contains(QLatin1Char('/')) || url.hasQuery() || url.hasFragment())
        return Failure{QStringLiteral("a PostgreSQL database is written postgresql://USER@HOST:PORT/DBNAME")};
    return location;
}

QString locationForDisplay(const QString& text) {
    return isPostgresAddress(text) ? QUrl(text).toString(QUrl::RemovePassword) : text;
}

} // namespace server
