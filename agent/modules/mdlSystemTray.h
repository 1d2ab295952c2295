#pragma once

#include "modules/AgentState.h"
#include "modules/AgentView.h"

#include <cstdint>
#include <optional>
#include <QString>

// The notification-area icon: resting (the window's own icon) while all is well, animated through the 17
// frames of ImageList2 while an alert stands.
namespace mdlSystemTray {

inline constexpr int kFrameCount = 17;
// The shell's tooltip field holds 64 single-byte characters including the closing NUL.
inline constexpr int kTooltipLength = 63;
inline const QString kStartTooltip = QStringLiteral("KOVA Oru System Monitor");

QString tooltipText(const QString& text);

// The frame that this animation tick shows, moving trayFrame on; nothing on the tick after frame 17, which
// starts the next pass. One pass therefore takes 18 ticks.
std::optional<int> nextFrame(std::int16_t& trayFrame);

void AddTrayIcon(AgentView& view);
void AnimateTrayIcon(AgentView& view, AgentState& state);
void RestoreTrayIcon(AgentView& view, const AgentState& state);

} // namespace mdlSystemTray
