#include "modules/ConsoleCommands.h"

#include "modules/FolderSlotRules.h"
#include "platform/Launcher.h"
#include "platform/MessageBox.h"
#include "platform/Power.h"
#include "platform/ProcessEnd.h"

using platform::BoxIcon;
using platform::MessageBox;

namespace mdlConsole {

namespace {

void tellNotStarted(const QString& what, const QString& error) {
    MessageBox::inform(QStringLiteral("KOVA Oru could not start %1: %2").arg(what, error),
                       MessageBox::kApplicationTitle, BoxIcon::Critical);
}

} // namespace

void resetAlert(Agent& agent) {
    agent.state().AlertStatus = QStringLiteral("0");
    agent.state().Message = QStringLiteral("Alert was reset by user.");
    agent.SendWWWSQL();
    agent.RunServerInfoNow();
}

void showIpAddress(const AgentState& state) {
    MessageBox::inform(QStringLiteral("This server's main IP number is: ") + state.IP + QLatin1Char('.'),
                       QStringLiteral("Server's IP"), BoxIcon::Information);
}

void openWebSite() {
    const QString address = QStringLiteral(KOVA_WEBSITE_URL);
    if (const Result<> opened = platform::openWebSite(address); !opened)
        tellNotStarted(QStringLiteral("a web browser for %1").arg(address), opened.reason());
}

void openSlotFolder(const AgentState& state, const QString& selectedNodeKey) {
    const std::optional<int> k = mdlFolderEdit::slotOfNodeKey(selectedNodeKey);
    if (!k)
        return;
    if (const Result<> opened = platform::openFolder(state.Dir[*k]); !opened)
        tellNotStarted(QStringLiteral("the file manager for \"%1\"").arg(state.Dir[*k]), opened.reason());
}

void showKeyCode(int keyAscii) {
    MessageBox::inform(QString::number(keyAscii));
}

void rebootNow() {
    if (!MessageBox::askYesNo(QStringLiteral("Are you sure you want to reboot the computer RIGHT NOW?"),
                              QStringLiteral("Reboot?")))
        return;
    if (const Result<> restart = platform::Seam<platform::Power>::get().requestRestart(); !restart)
        MessageBox::inform(QStringLiteral("The computer refused to restart: %1").arg(restart.reason()),
                           QStringLiteral("Reboot refused"), BoxIcon::Critical);
}

void shutDownAgent(AgentView& view) {
    if (!MessageBox::askYesNo(
            QStringLiteral("Are you sure you want to shutdown KOVA Oru?  This server will no "
                           "longer be monitored..."),
            QStringLiteral("Shutdown?")))
        return;
    view.removeTrayIcon();
    platform::endProcess(0);
}

} // namespace mdlConsole
