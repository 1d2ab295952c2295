#pragma once

// What the window tests share: fakes for the services a command must never really use here, a central
// server on 127.0.0.1 that hands out quiet settings, and the executable folder with the status pictures.
#include "Endpoints.h"
#include "forms/frmMain.h"
#include "support/FakeNotificationArea.h"
#include "support/LoopbackResponder.h"
#include "support/MachineFakes.h"
#include "support/ReportFields.h"
#include "support/SettingsReply.h"

#include <memory>
#include <QTest>

inline bool isReport(const ReceivedRequest& request) {
    return request.body.startsWith("sComputerName=");
}

inline void clickNode(frmMain& window, const QString& key) {
    for (QTreeWidgetItemIterator it(window.TreeView1); *it; ++it) {
        if ((*it)->data(0, Qt::UserRole).toString() == key)
            QTest::mouseClick(window.TreeView1->viewport(), Qt::LeftButton, {},
                              window.TreeView1->visualItemRect(*it).center());
    }
}

// One main window talking to a loopback central server, among the machine's fakes. Each test makes its own.
class WindowRig : public MachineFakes {
public:
    WindowRig() {
        Q_INIT_RESOURCE(resources);
        server.serve(Answer::http(200, settingsReply()));
        AgentConfig config;
        config.serverUrl = config.updateUrl = config.timeUrl = server.url(wire::kExchangePath).toString();
        window = std::make_unique<frmMain>(state, config);
    }
    ~WindowRig() { window.reset(); }

    // One cycle with these slots as the server hands them out; a slot without a limit of its own gets 5.
    void runCycle(const QStringList& dirs, QStringList alerts = {}) {
        for (qsizetype k = alerts.size(); k < dirs.size(); ++k)
            alerts << (dirs[k].isEmpty() ? QString() : QStringLiteral("5"));
        server.serve(Answer::http(200, settingsReplyWithFolders(dirs, alerts)));
        window->agent().RunServerInfoNow();
    }

    frmMain* operator->() { return window.get(); }

    // The boxes shown so far, each as "title: text", or as its title alone.
    QStringList shownBoxes(bool withText = true) const {
        QStringList shown;
        for (const platform::ShownBox& box : boxes.shown)
            shown << (withText ? box.title + ": " + box.text : box.title);
        return shown;
    }

    ShortTimeout shortTimeout{std::chrono::milliseconds(1500)};
    platform::ScopedFake<platform::TransferTimeout> timeoutFake{shortTimeout};
    LoopbackResponder server;
    AgentState state;
    std::unique_ptr<frmMain> window;
};
