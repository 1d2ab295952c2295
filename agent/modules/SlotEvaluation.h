#pragma once

#include "modules/FolderTree.h"

#include <optional>
#include <QString>

namespace mdlProcessAlerts {

enum class SlotState { Inactive, ScanError, OverLimit, NearLimit, Normal };

// A slot is in use unless its path, without its blanks, is empty or a number equal to 0 ("0", "00", "0.0").
// Only blanks make a path empty: a lone tab is a path, and one that cannot be read.
bool slotIsActive(const QString& dir);

struct Measurement {
    QString size;
    QString count;
};

// The size and count of folder statistics ("size/count"); nullopt when the folder could not be read.
std::optional<Measurement> readMeasurement(const QString& folderStats);

struct SlotResult {
    SlotState state = SlotState::Inactive;
    QString size; // from the folder statistics; empty for ScanError (the slot keeps its old values)
    QString count;
    QString alertLine; // the line for AlertText, CR LF included; empty when none
};

// Sorts one active slot by its folder statistics ("size/count", or empty when unreadable) and its limit.
// Throws AgentError when the limit is not a number.
SlotResult evaluateSlot(int slot, const QString& dir, const QString& alert, const QString& folderStats);

TreeImage imageFor(SlotState state);

} // namespace mdlProcessAlerts
