#pragma once

#include <optional>
#include <QString>

namespace server {

// A folder's state in a report, by the agent's own rule: red for more files than the limit (or a limit
// that is no number), yellow above 75 % of it, green otherwise.
enum class FolderState { Green, Yellow, Red };

// A slot is in use unless its trimmed path is empty or a number equal to 0 ("0", "00", "0.0").
bool folderInUse(const QString& dir);

FolderState folderState(const QString& count, const QString& limit);

// The same from numbers already read; an empty `limit` is one that is no number.
FolderState folderState(double files, std::optional<double> limit);

QString folderStateText(FolderState state);

} // namespace server
