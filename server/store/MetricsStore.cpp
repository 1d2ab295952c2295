#include "store/MetricsStore.h"

#include "store/FleetStore.h"
#include "store/SqlRun.h"
#include "WireFormat.h"

#include <QHash>

namespace server {
namespace {

QStringList numbered(const QString& stem, int count) {
    QStringList keys;
    for (int k = 1; k <= count; ++k)
        keys << stem + QString::number(k);
    return keys;
}

const QHash<QString, int>& keyIndex() {
    static const QHash<QString, int> index = [] {
        QHash<QString, int> positions;
        for (int k = 0; k < MetricsStore::keys().size(); ++k)
            positions.insert(MetricsStore::keys()[k], k);
        return positions;
    }();
    return index;
}

// Folder paths and limits are settings: they live with the computer, the rest with its latest status.
QString column(const QString& key) {
    const bool setting = key.startsWith(QLatin1String("sDir")) || key.startsWith(QLatin1String("sAlert"));
    return (setting ? QStringLiteral("c.\"%1\"") : QStringLiteral("s.\"%1\""))
        .arg(setting ? key.mid(1) : key);
}

// Every value of a row in one column, each as its UTF-8 length in bytes, ":" and the value: the database
// driver's cost is per column, and this reads a fleet several times faster than one column per value.
QString packedColumns() {
    QStringList pieces;
    for (const QString& key : MetricsStore::keys())
        pieces << QStringLiteral("length(CAST(%1 AS BLOB)) || ':' || %1").arg(column(key));
    return QStringLiteral("CAST(%1 AS BLOB)").arg(pieces.join(QStringLiteral(" || ")));
}

QStringList unpacked(const QByteArray& packed) {
    QStringList values;
    qsizetype at = 0;
    while (at < packed.size()) {
        const qsizetype colon = packed.indexOf(':', at);
        const qsizetype length = packed.mid(at, colon - at).toLongLong();
        values << QString::fromUtf8(packed.constData() + colon + 1, length);
        at = colon + 1 + length;
    }
    return values;
}

} // namespace

QString MetricsRow::value(const QString& key) const {
    return values.value(keyIndex().value(key, -1));
}

const QStringList& MetricsStore::keys() {
    static const QStringList list = [] {
        QStringList keys = QStringList{"sORUVersion", "sMessage"} + numbered("sDir", 10) +
                           numbered("sAlert", 10) + numbered("sCount", 10) + numbered("sDisk", 4);
        for (int k = 1; k <= 4; ++k)
            keys << diskSpaceKey(k);
        return keys;
    }();
    return list;
}

// The report spells one of these in lower case; the wire's own list has the exact text.
QString MetricsStore::diskSpaceKey(int disk) {
    const QString wanted = QStringLiteral("sDiskSpace%1").arg(disk);
    for (const QString& key : wire::reportKeys()) {
        if (key.compare(wanted, Qt::CaseInsensitive) == 0)
            return key;
    }
    return wanted;
}

std::optional<QList<MetricsRow>> MetricsStore::page(const QString& afterName, int limit, const QDateTime& now,
                                                    QString* error) {
    QSqlQuery query(m_store.connection());
    query.setForwardOnly(true);
    if (!sql::run(query,
                  fleetWith() + QStringLiteral("SELECT f.name, f.received_at, f.silent, %1 FROM fleet f "
                                               "JOIN computers c ON c.name = f.name "
                                               "JOIN latest_status s ON s.name = f.name "
                                               "WHERE f.name > ? ORDER BY f.name LIMIT ?")
                                    .arg(packedColumns()),
                  {sql::storedTime(now), sql::text(afterName), limit}, error))
        return std::nullopt;
    QList<MetricsRow> rows;
    while (query.next()) {
        rows << MetricsRow{query.value(0).toString(), sql::readStoredTime(query.value(1).toString()),
                           query.value(2).toBool(), unpacked(query.value(3).toByteArray())};
    }
    return rows;
}

} // namespace server
