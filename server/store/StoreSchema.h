#pragma once

#include <QString>
#include <QStringList>

namespace server::schema {

// Tables: computers (the settings each computer is answered with), latest_status (the newest report's
// other facts, one row per computer) and reports (every report received, all 67 values).
QStringList createStatements();

// The report keys kept in latest_status: every key that is neither a setting nor the computer's name.
const QStringList& statusKeys();

QString selectSettings();
QString upsertSettings();
QString replaceLatestStatus();
QString insertReport();

} // namespace server::schema
