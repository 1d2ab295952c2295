#include "domain/ComputerState.h"

#include <QList>

namespace server {

ComputerState computerState(const Standing& standing) {
    if (standing.overLimit)
        return ComputerState::Alert;
    if (standing.unreadable)
        return ComputerState::Unreadable;
    if (!standing.reported)
        return ComputerState::NoReport;
    if (standing.silent)
        return ComputerState::Silent;
    if (standing.lowDisk)
        return ComputerState::LowDisk;
    if (standing.nearLimit)
        return ComputerState::Near;
    return ComputerState::Ok;
}

QString computerStateText(ComputerState state) {
    switch (state) {
    case ComputerState::Alert:
        return QStringLiteral("alert");
    case ComputerState::Unreadable:
        return QStringLiteral("unreadable");
    case ComputerState::Silent:
        return QStringLiteral("silent");
    case ComputerState::NoReport:
        return QStringLiteral("none");
    case ComputerState::LowDisk:
        return QStringLiteral("lowdisk");
    case ComputerState::Near:
        return QStringLiteral("near");
    case ComputerState::Ok:
        break;
    }
    return QStringLiteral("ok");
}

std::optional<bool Standing::*> standingFlag(const QString& word) {
    static const QList<std::pair<ComputerState, bool Standing::*>> flags{
        {ComputerState::Alert, &Standing::overLimit},
        {ComputerState::Unreadable, &Standing::unreadable},
        {ComputerState::Silent, &Standing::silent},
        {ComputerState::LowDisk, &Standing::lowDisk},
        {ComputerState::Near, &Standing::nearLimit}};
    for (const auto& [state, flag] : flags) {
        if (computerStateText(state) == word)
            return flag;
    }
    return std::nullopt;
}

} // namespace server
