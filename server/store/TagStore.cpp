#include "store/TagStore.h"

#include "store/SqlRun.h"

namespace server {

Result<QHash<QString, QStringList>> TagStore::tagsOf(const QStringList& computers) {
    QHash<QString, QStringList> tags;
    if (computers.isEmpty())
        return tags;
    QVariantList names;
    for (const QString& computer : computers)
        names << computer;
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    const QString marks = QStringList(names.size(), QStringLiteral("?")).join(QStringLiteral(", "));
    if (auto done = sql::run(query,
                             QStringLiteral("SELECT computer, tag FROM computer_tags WHERE computer IN (%1) "
                                            "ORDER BY computer, tag")
                                 .arg(marks),
                             names);
        !done)
        return Failure{done.reason()};
    while (query.next())
        tags[query.value(0).toString()] << query.value(1).toString();
    return tags;
}

Result<QStringList> TagStore::computersTagged(const QString& tag) {
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (auto done =
            sql::run(query, QStringLiteral("SELECT computer FROM computer_tags WHERE tag = ?"), {tag});
        !done)
        return Failure{done.reason()};
    QStringList computers;
    while (query.next())
        computers << query.value(0).toString();
    return computers;
}

Result<> TagStore::replaceTags(const QString& computer, const QStringList& tags) {
    QSqlQuery drop(m_store.connection());
    if (auto done =
            sql::run(drop, QStringLiteral("DELETE FROM computer_tags WHERE computer = ?"), {computer});
        !done)
        return done;
    for (const QString& tag : tags) {
        QSqlQuery add(m_store.connection());
        if (auto done =
                sql::run(add, QStringLiteral("INSERT INTO computer_tags (computer, tag) VALUES (?, ?)"),
                         {computer, tag});
            !done)
            return done;
    }
    return Result<>::success();
}

} // namespace server
