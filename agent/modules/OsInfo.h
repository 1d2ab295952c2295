#pragma once

#include "modules/AgentState.h"

#include <QString>

namespace mdlGetServerInfo {

// Fills `OS` with the system's name ("No available OS information." when it does not tell), `OSVersion`
// with "Service Patch: " and its minor version, and `AgentVersion` with this agent's version.
void GetOSInfo(AgentState& state);

// The name of a Windows version from its version record, e.g. "Microsoft Windows XP" for platform 2,
// version 5.1.
QString osNameFor(quint32 platformId, quint32 major, quint32 minor, quint32 build, bool serverEdition);

} // namespace mdlGetServerInfo
