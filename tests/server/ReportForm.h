#pragma once

#include "WireFormat.h"

#include <QHash>

// A status report body encoded the way the agent encodes it; keys not given are sent empty, and keys
// listed in `left out` are not sent at all.
inline QByteArray reportForm(const QHash<QString, QString>& values, const QStringList& leftOut = {}) {
    QStringList pairs;
    for (const QString& key : wire::reportKeys()) {
        if (leftOut.contains(key))
            continue;
        const QString value = values.value(key);
        pairs << key + QLatin1Char('=') +
                     (key == QLatin1String("sDisable") ? wire::escapeFormValue(value)
                                                       : wire::EncodeFieldValue(value));
    }
    return pairs.join(QLatin1Char('&')).toUtf8();
}

// The 28 settings a report carries, taken from `values` in settings-piece order.
inline QStringList settingsIn(const QHash<QString, QString>& values) {
    QStringList pieces;
    for (const QString& key : wire::settingsReportKeys())
        pieces << values.value(key);
    return pieces;
}
