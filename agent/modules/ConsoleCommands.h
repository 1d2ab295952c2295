#pragma once

#include "modules/Agent.h"
#include "modules/AgentState.h"
#include "modules/AgentView.h"

#include <QString>

// The main window's commands that need no window of their own: each is the one body behind a button and a
// menu item (or a tree event).
namespace mdlConsole {

// Reports the alert as reset at once, then lets a cycle judge the folders afresh.
void resetAlert(Agent& agent);

void showIpAddress(const AgentState& state);

void openWebSite();

// The tree's double click: the folder of the slot whose node was last clicked, the path exactly as stored.
void openSlotFolder(const AgentState& state, const QString& selectedNodeKey);

// The tree's key press: the character code of the key.
void showKeyCode(int keyAscii);

// Asks, then asks the system to restart the machine; a refusal is shown with the system's reason.
void rebootNow();

// Asks, then removes the notification-area icon and ends the agent at once, without a report.
void shutDownAgent(AgentView& view);

} // namespace mdlConsole
