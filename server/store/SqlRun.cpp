#include "store/SqlRun.h"

#include "store/SqlDialect.h"

#include <QSqlError>

namespace server::sql {

bool run(QSqlQuery& query, const QVariantList& values, QString* error) {
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (query.exec())
        return true;
    *error = query.lastError().text();
    return false;
}

bool run(QSqlQuery& query, const QString& text, const QVariantList& values, QString* error) {
    return prepare(query, text, error) && run(query, values, error);
}

QVariant text(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

QString storedTime(const QDateTime& moment) {
    return moment.toString(Qt::ISODateWithMs);
}

QDateTime readStoredTime(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

} // namespace server::sql
