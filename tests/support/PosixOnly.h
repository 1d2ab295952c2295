#pragma once

#include <QFileInfo>
#include <QTest>

// Skips the running test where a file that only POSIX systems have (a /proc entry, /bin/true) is absent.
#define SKIP_WITHOUT_POSIX_FILE(path)                                                                        \
    if (!QFileInfo::exists(QStringLiteral(path)))                                                            \
    QSKIP("needs " path ", which this system does not have")
