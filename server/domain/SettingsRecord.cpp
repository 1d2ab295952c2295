#include "domain/SettingsRecord.h"

#include "WireFormat.h"

namespace server {
namespace {

enum Piece {
    LogFlag = 0,
    SettingTime = 1,
    SnoozeTime = 2,
    AutoRebootTime = 4,
    FirstFolder = 6,
    Disable = 26,
    CheckUpdate = 27
};

// Whether the reply could be longer than `bound` bytes: a UTF-16 unit takes three UTF-8 bytes at most, so
// the reply is written out only for settings that long. Writing it out for every report cost more than the
// rest of the check.
bool replyMayPass(const QStringList& pieces, qsizetype bound) {
    qsizetype units = (pieces.size() - 1) * wire::pieceSeparator().size();
    for (const QString& piece : pieces)
        units += piece.size();
    return units * 3 > bound;
}

} // namespace

SettingsRecord::SettingsRecord(QStringList pieces) : m_pieces(std::move(pieces)) {
    Q_ASSERT(m_pieces.size() == wire::kSettingsPieceCount);
}

SettingsRecord SettingsRecord::defaults(const QDateTime& now) {
    QStringList pieces(wire::kSettingsPieceCount);
    pieces[LogFlag] = QStringLiteral("0");
    pieces[SettingTime] = QStringLiteral("10");
    pieces[SnoozeTime] = QStringLiteral("0");
    pieces[AutoRebootTime] = QStringLiteral("0");
    pieces[Disable] = QStringLiteral("0");
    // ISO, because agents read it whatever their own locale; they report it back in their own form.
    pieces[CheckUpdate] = now.addDays(1).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    return SettingsRecord(pieces);
}

const QStringList& SettingsRecord::fieldNames() {
    static const QStringList names = [] {
        QStringList list;
        for (const QString& key : wire::settingsReportKeys())
            list << key.mid(1); // the report key is the field name behind an "s"
        return list;
    }();
    return names;
}

int SettingsRecord::folderPiece(int slot) {
    return FirstFolder + slot - 1;
}

int SettingsRecord::limitPiece(int slot) {
    return FirstFolder + wire::kSlotCount + slot - 1;
}

QString SettingsRecord::reply() const {
    return wire::joinSettingsReply(m_pieces);
}

Result<> SettingsRecord::checkCarriable() const {
    for (int k = 0; k < m_pieces.size(); ++k) {
        if (m_pieces[k].contains(wire::pieceSeparator()))
            return Failure{
                QStringLiteral("the value of %1 contains \", \"").arg(wire::settingsReportKeys().at(k))};
    }
    if (!wire::readTruthValue(m_pieces[Disable]))
        return Failure{
            QStringLiteral("the value of sDisable (\"%1\") is not a truth value").arg(m_pieces[Disable])};
    if (replyMayPass(m_pieces, wire::kReplyReadBound) && reply().toUtf8().size() > wire::kReplyReadBound)
        return Failure{QStringLiteral("the settings would make a reply longer than %1 bytes")
                           .arg(wire::kReplyReadBound)};
    return Result<>::success();
}

} // namespace server
