#pragma once

#include "modules/AgentState.h"

#include <QDateTime>
#include <QString>

// The 67-pair form body of the status report, built from the record as it stands; `now` fills the two
// time-of-report values.
QString buildStatusReport(const AgentState& state, const QDateTime& now);
