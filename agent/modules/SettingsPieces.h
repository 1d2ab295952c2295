#pragma once

#include "modules/AgentState.h"

#include <optional>
#include <QStringList>

// Stores the settings reply's pieces 0 to 27 in order, stopping at the first absent piece, so a short
// reply leaves the later fields as they were. Returns how many fields were stored.
int storeSettingsPieces(AgentState& state, const QStringList& pieces);

// The words true or false in any letter case, or a number (0 is false, any other true).
std::optional<bool> readTruthValue(const QString& text);
