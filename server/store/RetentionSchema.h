#pragma once

#include <QDateTime>
#include <QStringList>

namespace server::schema {

// Failed logins as rows of their own (name, client address, time), so that throttling can count per
// address as well as per name; what an operator is told of failures at login; an identity for the
// database, so a lost database is noticed; and the indexes that let retention find old rows.
QStringList boundedTables();

// One kind of row that retention deletes when it is old: its statements each bind the oldest time kept and
// delete at most kPruneBatch rows, in one transaction.
struct PruneRule {
    QString what; // for the log line when pruning fails
    QStringList statements;
    // The oldest time kept, from the time now and the days of history kept.
    QDateTime (*oldestKept)(const QDateTime& now, int keepDays);
};

const QList<PruneRule>& pruneRules();

} // namespace server::schema
