#pragma once

#include <QString>
#include <QStringList>

// Turns the successive whole texts of the StatusLog into the lines added since the last text, for a
// reader that takes lines one by one (the service's standard output). The log grows by appending, or is
// emptied or replaced at once; a replaced log counts as new from its first line.
class LogLines {
public:
    QStringList added(const QString& wholeText);

private:
    QString seen;
};
