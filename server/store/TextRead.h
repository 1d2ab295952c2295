#pragma once

#include "Result.h"

#include <functional>
#include <QSqlQuery>
#include <QStringList>

namespace server::sql {

// One row's columns as text, a NULL as a null string.
using TextRow = std::function<void(const QStringList& columns)>;

// Runs a prepared read with `values` bound in order as text and hands each row to `row`; the statement is
// reset afterwards, so a finished read holds nothing of the database open. On SQLite the columns come
// straight from the statement: Qt's driver builds a record of the columns and a QVariant per value on every
// run, which cost more than the read itself.
Result<> readText(QSqlQuery& query, const QStringList& values, const TextRow& row);

} // namespace server::sql
