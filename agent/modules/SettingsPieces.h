#pragma once

#include "modules/AgentState.h"

#include <QStringList>

// Stores the settings reply's pieces 0 to 27 in order, stopping at the first absent piece, so a short
// reply leaves the later fields as they were. Returns how many fields were stored.
int storeSettingsPieces(AgentState& state, const QStringList& pieces);
