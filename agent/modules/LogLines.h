#pragma once

#include <QString>
#include <QStringList>

// `text` from the server or the file system made fit for one log line: every control character (line
// breaks, escape sequences, the Unicode line and paragraph separators) is shown as a backslash escape, so
// nothing outside the agent can end a line early or forge one of its own.
QString escapeControlCharacters(const QString& text);

// Turns the successive whole texts of the StatusLog into the lines added since the last text, for a
// reader that takes lines one by one (the service's standard output). The log grows by appending, or is
// emptied or replaced at once; a replaced log counts as new from its first line.
class LogLines {
public:
    QStringList added(const QString& wholeText);

private:
    QString seen;
};
