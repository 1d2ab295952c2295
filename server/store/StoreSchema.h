#pragma once

#include <QString>
#include <QStringList>

namespace server::schema {

// The version-1 tables: computers (the settings each computer is answered with), latest_status (the
// newest report's other facts, one row per computer) and reports (every report received, all 67 values).
QStringList createStatements();

// The report keys kept in latest_status: every key that is neither a setting nor the computer's name.
const QStringList& statusKeys();

// Retention deletes old reports this many at a time, so that no exchange waits long behind it.
inline constexpr int kPruneBatch = 500;

QString selectSettings();
QString selectSettingsDownload();
QString upsertSettings();
QString replaceLatestStatus();
QString insertReport();
QString pruneReports();

QString stampSettingsDownload();
QString recordOperatorChange();
QString selectHeldByOperator();
QString insertAudit();

const QStringList& enrolmentColumns();
QString selectEnrolment();
QString upsertEnrolment();
QString countNamesAskedFrom();
QString selectPending();

} // namespace server::schema
