#pragma once

#include <optional>
#include <QString>
#include <QStringList>

namespace wire {

// The settings reply carries exactly this many pieces, in the order of settingsReportKeys().
inline constexpr int kSettingsPieceCount = 28;

QString pieceSeparator();

// Splits at every ", " exactly: empty pieces are kept and nothing is trimmed, so a trailing line break
// stays part of the last piece and a comma without a blank does not split.
QStringList splitSettingsReply(const QString& reply);
QString joinSettingsReply(const QStringList& pieces);

// How piece 26 (Disable) is read: the words true or false in any letter case, or a number (0 is false,
// any other true). A piece that is neither fails the agent's download.
std::optional<bool> readTruthValue(const QString& text);

// The body of the settings request (and of the first-run announcement).
QString settingsRequestBody(const QString& computerName);

} // namespace wire
