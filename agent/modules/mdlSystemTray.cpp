#include "modules/mdlSystemTray.h"

namespace mdlSystemTray {

QString tooltipText(const QString& text) {
    return text.left(kTooltipLength);
}

std::optional<int> nextFrame(std::int16_t& trayFrame) {
    if (trayFrame > kFrameCount) {
        trayFrame = 1;
        return std::nullopt;
    }
    return trayFrame++;
}

void AddTrayIcon(AgentView& view) {
    view.addTrayIcon(tooltipText(kStartTooltip));
}

void AnimateTrayIcon(AgentView& view, AgentState& state) {
    if (const std::optional<int> frame = nextFrame(state.TrayFrame))
        view.showTrayFrame(*frame, tooltipText(state.Message));
}

void RestoreTrayIcon(AgentView& view, const AgentState& state) {
    view.restoreTrayIcon(tooltipText(state.Message));
}

} // namespace mdlSystemTray
