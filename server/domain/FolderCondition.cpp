#include "domain/FolderCondition.h"

#include "ReportKeys.h"
#include "ScanErrorLine.h"

#include <array>

namespace server {
namespace {

struct SlotKeys {
    QString path, files, limit;
};

// Written once: the metrics page asks for every slot of ten thousand computers.
const std::array<SlotKeys, wire::kSlotCount>& slotKeys() {
    static const auto keys = [] {
        std::array<SlotKeys, wire::kSlotCount> all;
        for (int slot = 1; slot <= wire::kSlotCount; ++slot)
            all[size_t(slot - 1)] = {QStringLiteral("sDir%1").arg(slot), QStringLiteral("sCount%1").arg(slot),
                                     QStringLiteral("sAlert%1").arg(slot)};
        return all;
    }();
    return keys;
}

} // namespace

FolderCondition folderCondition(const QString& path, const QString& files, const QString& limit,
                                const QString& message) {
    if (message.contains(wire::scanErrorLine(path)))
        return FolderCondition::ScanError;
    return folderCondition(folderState(files, limit));
}

FolderCondition folderCondition(FolderState state) {
    switch (state) {
    case FolderState::Red:
        return FolderCondition::Over;
    case FolderState::Yellow:
        return FolderCondition::Near;
    case FolderState::Green:
        break;
    }
    return FolderCondition::Normal;
}

QList<FolderReading> folderReadings(const std::function<QString(const QString& key)>& value) {
    const QString message = value(QStringLiteral("sMessage"));
    QList<FolderReading> readings;
    for (int slot = 1; slot <= wire::kSlotCount; ++slot) {
        const SlotKeys& keys = slotKeys()[size_t(slot - 1)];
        const QString path = value(keys.path);
        if (!folderInUse(path))
            continue;
        const QString files = value(keys.files);
        const QString limit = value(keys.limit);
        readings << FolderReading{slot, path, files, limit, folderCondition(path, files, limit, message)};
    }
    return readings;
}

QString folderConditionText(FolderCondition condition) {
    switch (condition) {
    case FolderCondition::Over:
        return folderStateText(FolderState::Red);
    case FolderCondition::Near:
        return folderStateText(FolderState::Yellow);
    case FolderCondition::ScanError:
        return QStringLiteral("unreadable");
    case FolderCondition::Normal:
        break;
    }
    return folderStateText(FolderState::Green);
}

} // namespace server
