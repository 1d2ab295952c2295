#include "modules/LogLines.h"

#include <QRegularExpression>

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
