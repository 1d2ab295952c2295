#pragma once

#include "Result.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariantList>

namespace server::sql {

// Binds `values` in order and runs the prepared query.
Result<> run(QSqlQuery& query, const QVariantList& values);

// Prepares and runs `text` once with `values` bound in order.
Result<> run(QSqlQuery& query, const QString& text, const QVariantList& values);

// Every text column is NOT NULL, and a null QString would be bound as NULL: it goes in as "".
QVariant text(const QString& value);
QVariantList texts(const QStringList& values);

// How moments are stored: ISO 8601 local time with milliseconds, which sorts as text and which SQLite's
// date functions read.
QString storedTime(const QDateTime& moment);
QDateTime readStoredTime(const QString& text);

} // namespace server::sql
