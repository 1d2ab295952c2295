#include "store/FleetSearch.h"

#include "WireFormat.h"

#include <QStringList>

namespace server {
namespace {

// Where the search box looks: one line per searched column.
QStringList searchedColumns() {
    QStringList columns{
        QStringLiteral("c.name"),    QStringLiteral("s.\"sOS\""),         QStringLiteral("s.\"sOSVersion\""),
        QStringLiteral("s.\"sIP\""), QStringLiteral("s.\"sORUVersion\""),
    };
    for (int slot = 1; slot <= wire::kSlotCount; ++slot)
        columns << QStringLiteral("c.\"Dir%1\"").arg(slot); // the folder paths the settings name
    return columns;
}

// A LIKE pattern that finds `text` anywhere, its own wildcards and escape character taken as themselves.
QString containsPattern(QString text) {
    text.replace(QLatin1Char('\\'), QStringLiteral("\\\\"))
        .replace(QLatin1Char('%'), QStringLiteral("\\%"))
        .replace(QLatin1Char('_'), QStringLiteral("\\_"));
    return QLatin1Char('%') + text + QLatin1Char('%');
}

} // namespace

FleetSearchMatch fleetSearchMatch(const QString& search) {
    if (search.isEmpty())
        return {QStringLiteral("1"), {}};
    static const QStringList columns = searchedColumns();
    QStringList tests;
    for (const QString& column : columns)
        tests << column + QStringLiteral(" LIKE ? ESCAPE '\\'");
    // A computer's tags are rows of their own.
    tests << QStringLiteral(
        "EXISTS (SELECT 1 FROM computer_tags t WHERE t.computer = c.name AND t.tag LIKE ? ESCAPE '\\')");
    return {QStringLiteral("CASE WHEN %1 THEN 1 ELSE 0 END").arg(tests.join(QStringLiteral(" OR "))),
            QVariantList(tests.size(), containsPattern(search))};
}

} // namespace server
