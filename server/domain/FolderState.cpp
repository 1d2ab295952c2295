#include "domain/FolderState.h"

#include <cmath>

namespace server {
namespace {
constexpr double kNearLimitPercent = 75.0;
} // namespace

bool folderInUse(const QString& dir) {
    const QString trimmed = dir.trimmed();
    bool isNumber = false;
    const double number = trimmed.toDouble(&isNumber);
    return !trimmed.isEmpty() && !(isNumber && number == 0);
}

FolderState folderState(const QString& count, const QString& limit) {
    bool isNumber = false;
    const double allowed = limit.trimmed().toDouble(&isNumber);
    return folderState(count.toDouble(), isNumber ? std::optional(allowed) : std::nullopt);
}

FolderState folderState(double files, std::optional<double> limit) {
    if (!limit || std::floor(*limit) < files)
        return FolderState::Red;
    if (*limit != 0 && files / *limit * 100 > kNearLimitPercent)
        return FolderState::Yellow;
    return FolderState::Green;
}

QString folderStateText(FolderState state) {
    switch (state) {
    case FolderState::Red:
        return QStringLiteral("red");
    case FolderState::Yellow:
        return QStringLiteral("yellow");
    case FolderState::Green:
        break;
    }
    return QStringLiteral("green");
}

} // namespace server
