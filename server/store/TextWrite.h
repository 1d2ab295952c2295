#pragma once

#include "Result.h"

#include <QSqlQuery>
#include <QStringList>

namespace server::sql {

// Runs a prepared statement that returns no rows with `values` bound in order as text, a null one as ""
// (every text column is NOT NULL). On SQLite the values go straight to the statement: Qt's binding costs more
// per value than storing it, and a report binds about 140 of them. The query's own state is left as it was,
// so read nothing of it afterwards.
Result<> writeText(QSqlQuery& query, const QStringList& values);

} // namespace server::sql
