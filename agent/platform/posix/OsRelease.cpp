#include "platform/posix/OsRelease.h"

#include <QHash>
#include <QList>

namespace platform {

namespace {

// Values may be quoted in single or double quotes; inside, a backslash takes the next character literally.
QString unquote(QByteArray value) {
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        value = value.mid(1, value.size() - 2);
    QByteArray plain;
    plain.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size())
            ++i;
        plain += value[i];
    }
    return QString::fromUtf8(plain);
}

QHash<QByteArray, QString> assignments(const QByteArray& text) {
    QHash<QByteArray, QString> values;
    for (const QByteArray& line : text.split('\n')) {
        const QByteArray trimmed = line.trimmed();
        const qsizetype equals = trimmed.indexOf('=');
        if (trimmed.startsWith('#') || equals <= 0)
            continue;
        values.insert(trimmed.left(equals), unquote(trimmed.mid(equals + 1)));
    }
    return values;
}

// "22.04" gives 4, "3.19.1" gives 19, "12" gives 0.
quint32 minorOf(const QString& versionId) {
    const qsizetype dot = versionId.indexOf(u'.');
    if (dot < 0)
        return 0;
    qsizetype end = dot + 1;
    while (end < versionId.size() && versionId[end].isDigit())
        ++end;
    return versionId.mid(dot + 1, end - dot - 1).toUInt();
}

} // namespace

std::optional<OsFacts> osFactsFromOsRelease(const QByteArray& text) {
    const QHash<QByteArray, QString> values = assignments(text);
    OsFacts facts;
    facts.productName = values.value("PRETTY_NAME", values.value("NAME"));
    if (facts.productName.isEmpty())
        return std::nullopt;
    facts.minor = minorOf(values.value("VERSION_ID"));
    return facts;
}

} // namespace platform
