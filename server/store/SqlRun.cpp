#include "store/SqlRun.h"

#include "store/SqlDialect.h"

#include <QSqlError>

namespace server::sql {

Result<> run(QSqlQuery& query, const QVariantList& values) {
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (query.exec())
        return Result<>::success();
    return Failure{query.lastError().text()};
}

Result<> run(QSqlQuery& query, const QString& text, const QVariantList& values) {
    if (auto prepared = prepare(query, text); !prepared)
        return prepared;
    return run(query, values);
}

QVariant text(const QString& value) {
    return value.isNull() ? QStringLiteral("") : value;
}

QVariantList texts(const QStringList& values) {
    QVariantList bound;
    bound.reserve(values.size());
    for (const QString& value : values)
        bound << text(value);
    return bound;
}

QString storedTime(const QDateTime& moment) {
    return moment.toString(Qt::ISODateWithMs);
}

QDateTime readStoredTime(const QString& text) {
    return QDateTime::fromString(text, Qt::ISODateWithMs);
}

} // namespace server::sql
