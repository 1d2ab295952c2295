#pragma once

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

// Reads a server's database behind its back: the first column of the first row, or `none`.
inline QVariant databaseValue(const QString& file, const QString& sql, const QVariant& none = {}) {
    QVariant result = none;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("reader"));
        db.setDatabaseName(file);
        QSqlQuery query(db);
        if (db.open() && query.exec(sql) && query.next())
            result = query.value(0);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("reader"));
    return result;
}
