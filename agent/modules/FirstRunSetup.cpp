#include "modules/FirstRunSetup.h"

#include "modules/Agent.h"
#include "modules/BlankTrim.h"
#include "modules/NameFile.h"
#include "platform/MessageBox.h"

namespace mdlGeneral {

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
    // The file and the server get the same name, without its blanks only.
    const QString name = trimBlanks(typed);
    if (const Result<> written = WriteNameFile(name, agent.state()); !written) {
        platform::MessageBox::inform(
            QStringLiteral(
                "KOVA Oru could not save this computer's name (%1). Setup is not complete; make the "
                "program's folder writable and try again.")
                .arg(written.reason()),
            QStringLiteral("Setup not complete"), platform::BoxIcon::Critical);
        return SetupOutcome::NotWritten;
    }
    agent.server().announceName(name);
    platform::MessageBox::inform(
        QStringLiteral("Setup is complete and Oru will now close.  Please restart the "
                       "program to begin monitoring this server."),
        QStringLiteral("Restart Needed"));
    return SetupOutcome::Completed;
}

} // namespace mdlGeneral
