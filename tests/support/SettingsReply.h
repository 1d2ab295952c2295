#pragma once

#include "WireFormat.h"

#include <QMap>
#include <QStringList>

// A settings reply as the central server would send it: every piece empty or a harmless default, with
// the pieces a test cares about (by number, 0 to 27) replaced.
inline QByteArray settingsReply(const QMap<int, QString>& pieces = {}) {
    QStringList all(wire::kSettingsPieceCount);
    all[1] = QStringLiteral("10");
    all[4] = QStringLiteral("0");
    all[26] = QStringLiteral("0");
    all[27] = QStringLiteral("12/31/2099 3:00:00 AM");
    for (auto it = pieces.begin(); it != pieces.end(); ++it)
        all[it.key()] = it.value();
    return wire::joinSettingsReply(all).toUtf8();
}
