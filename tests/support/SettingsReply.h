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

// A settings reply with these folder slots (from slot 1) and limits.
inline QByteArray settingsReplyWithFolders(const QStringList& dirs, const QStringList& alerts = {}) {
    QMap<int, QString> pieces;
    for (int k = 0; k < dirs.size(); ++k)
        pieces[6 + k] = dirs[k];
    for (int k = 0; k < alerts.size(); ++k)
        pieces[16 + k] = alerts[k];
    return settingsReply(pieces);
}
