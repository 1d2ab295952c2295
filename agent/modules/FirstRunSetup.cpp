#include "modules/FirstRunSetup.h"

#include "modules/Agent.h"
#include "modules/AgentKey.h"
#include "modules/NameFile.h"
#include "platform/EventWait.h"
#include "platform/MessageBox.h"
#include "WireFormat.h"

namespace mdlGeneral {

namespace {

// Under open enrolment the announcement is what enrols the computer, so a key in its answer is kept.
void announce(platform::TransferChannel& channel, const QString& typed) {
    presentAgentKey(channel);
    channel.Execute(channel.URL, QStringLiteral("POST"), wire::settingsRequestBody(typed).toUtf8(),
                    QStringLiteral("Content-Type: application/x-www-form-urlencoded"));
    platform::waitWhile([&channel] { return channel.StillExecuting(); });
    QString ignored; // setup reads nothing of the answer; a key not kept is asked for again by a reset
    keepIssuedAgentKey(channel, &ignored);
}

} // namespace

bool isOneWordName(const QString& typed) {
    return !typed.isEmpty() && !typed.contains(QLatin1Char(' '));
}

SetupOutcome finishSetup(Agent& agent, const QString& typed, const std::function<void()>& working) {
    if (!isOneWordName(typed)) {
        platform::MessageBox::inform(
            QStringLiteral(
                "Please enter one word to name this computer.  You may replace a \"SPACE\" with an "
                "underscore (_), for example instead of \"JVX PC\", you may name it \"JVX_PC\"."),
            QStringLiteral("Try Again"));
        return SetupOutcome::Rejected;
    }
    working();
    QString error;
    if (!WriteNameFile(typed.trimmed(), agent.state, &error)) {
        platform::MessageBox::inform(
            QStringLiteral(
                "KOVA Oru could not save this computer's name (%1). Setup is not complete; make the "
                "program's folder writable and try again.")
                .arg(error),
            QStringLiteral("Setup not complete"), platform::BoxIcon::Critical);
        return SetupOutcome::NotWritten;
    }
    announce(agent.InetReceive, typed);
    platform::MessageBox::inform(
        QStringLiteral("Setup is complete and Oru will now close.  Please restart the "
                       "program to begin monitoring this server."),
        QStringLiteral("Restart Needed"));
    return SetupOutcome::Completed;
}

} // namespace mdlGeneral
