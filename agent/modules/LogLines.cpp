#include "modules/LogLines.h"

#include <QRegularExpression>

namespace {

bool isControl(char16_t c) {
    return c < 0x20 || (c >= 0x7f && c <= 0x9f) || c == 0x2028 || c == 0x2029;
}

QString escapeOne(char16_t c) {
    switch (c) {
    case u'\n':
        return QStringLiteral("\\n");
    case u'\r':
        return QStringLiteral("\\r");
    case u'\t':
        return QStringLiteral("\\t");
    default:
        return QStringLiteral("\\x{%1}").arg(uint(c), 2, 16, QLatin1Char('0'));
    }
}

} // namespace

QString escapeControlCharacters(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        if (isControl(c.unicode()))
            shown += escapeOne(c.unicode());
        else
            shown += c;
    }
    return shown;
}

QStringList LogLines::added(const QString& wholeText) {
    const QString fresh = wholeText.startsWith(seen) ? wholeText.mid(seen.size()) : wholeText;
    seen = wholeText;
    // A message appended without a line break (the no-connection notice) is printed at once; what is
    // appended after it on the same line of the window comes as a line of its own.
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = fresh.split(lineBreak, Qt::SkipEmptyParts);
    lines.removeIf([](const QString& line) { return line.trimmed().isEmpty(); });
    return lines;
}
