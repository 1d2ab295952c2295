#pragma once

#include <QList>
#include <QStringList>

namespace server {

// The schema's history: migration N (numbered from 1) takes a database from version N-1 to N. A database
// records the number of the last one applied; released migrations are never edited, only added.
struct Migration {
    int version;
    QStringList statements;
};

const QList<Migration>& migrations();
int latestSchemaVersion();

} // namespace server
