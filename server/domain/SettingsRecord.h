#pragma once

#include "Result.h"

#include <QDateTime>
#include <QStringList>

namespace server {

// One computer's settings, held as the pieces of its settings reply in reply order.
class SettingsRecord {
public:
    // Exactly wire::kSettingsPieceCount pieces.
    explicit SettingsRecord(QStringList pieces);

    // What a computer the server has never seen is given: a ten-tick interval, nothing monitored, and
    // its first update check a day from now.
    static SettingsRecord defaults(const QDateTime& now);

    // The field names in piece order (LogFlag, SettingTime, ..., Disable, CheckUpdate).
    static const QStringList& fieldNames();

    const QStringList& pieces() const { return m_pieces; }
    QString reply() const;

    // Where slot 1 to wire::kSlotCount keeps its folder (DirN) and its limit (AlertN) among the pieces.
    static int folderPiece(int slot);
    static int limitPiece(int slot);
    const QString& folder(int slot) const { return m_pieces.at(folderPiece(slot)); }
    const QString& limit(int slot) const { return m_pieces.at(limitPiece(slot)); }

    // Whether the reply can carry these settings intact, or why not (a piece holding ", " would split,
    // agents read no more than wire::kReplyReadBound bytes, and a Disable that is no truth value fails every
    // download). An agent that never received settings reports an empty Disable; taking its
    // report would wipe the computer's settings and lock it out of all later downloads.
    Result<> checkCarriable() const;

private:
    QStringList m_pieces;
};

} // namespace server
