#pragma once

#include "Endpoints.h"
#include "modules/Agent.h"
#include "support/FakeLauncher.h"
#include "support/FakeMessageBox.h"
#include "support/PlatformFakes.h"

#include <memory>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// Remembers what the agent showed, in the order it showed it.
class RecordingView : public AgentView {
public:
    QStringList calls;
    QStringList logs; // the whole log after each change
    QString serverMessage;
    QList<bool> scanNowChanges;
    FolderTree shownTree;
    std::optional<int> setupAnswer = 2;
    std::function<void()> duringSetup;

    void showLog(const QString& text) override { logs << text; }
    void showServerMessage(const QString& text) override { serverMessage = text; }
    void setScanNowEnabled(bool enabled) override { scanNowChanges << enabled; }
    void showVersion(const QString& caption) override { calls << QStringLiteral("version ") + caption; }
    void showFolderTree(const FolderTree& tree) override { shownTree = tree; }
    void minimiseWindow() override { calls << QStringLiteral("minimise"); }
    void disableCloseMenu() override { calls << QStringLiteral("disableCloseMenu"); }
    void removeTrayIcon() override { calls << QStringLiteral("removeTrayIcon"); }
    std::optional<int> runFirstRunSetup() override {
        calls << QStringLiteral("setup");
        if (duringSetup)
            duringSetup();
        return setupAnswer;
    }
};

// An agent in a temporary executable folder (name file, status pictures) with every service that could
// touch the machine (restart, clock, programs, message boxes, process end) replaced by a recorder.
class AgentHarness {
public:
    explicit AgentHarness(const QString& serverUrl, const QString& computerName = QStringLiteral("SRV01")) {
        // The status pictures are installed beside the built executable.
        const QDir built = QFileInfo(qEnvironmentVariable("KOVA_AGENT_EXE")).absoluteDir();
        for (const QString& name : {QStringLiteral("CheckMark.gif"), QStringLiteral("XMark.gif")})
            QFile::copy(built.filePath(name), folder.filePath(name));
        QFile nameFile(folder.filePath(QStringLiteral("kova.ini")));
        if (!computerName.isEmpty() && nameFile.open(QIODevice::WriteOnly))
            nameFile.write(computerName.toLocal8Bit());
        config.serverUrl = serverUrl;
        config.timeUrl = QStringLiteral("http://127.0.0.1:9") + wire::kTimePath;
        config.updateUrl = QStringLiteral("http://127.0.0.1:9") + wire::kUpdatePath;
        agent = std::make_unique<Agent>(state, config, view);
    }
    ~AgentHarness() { agent.reset(); }

    QTemporaryDir folder;
    FakeExecutableLocation location{folder.path()};
    platform::ScopedFake<platform::ExecutableLocation> locationFake{location};
    RecordingProcessEnd ended;
    platform::ScopedFake<platform::ProcessEnd> endFake{ended};
    FakePower power;
    FakeSystemClock clock;
    FakeLauncher launcher;
    FakeMessageBox boxes;
    platform::ScopedFake<platform::Power> powerFake{power};
    platform::ScopedFake<platform::SystemClock> clockFake{clock};
    platform::ScopedFake<platform::Launcher> launcherFake{launcher};
    platform::ScopedFake<platform::MessageBox> boxesFake{boxes};
    RecordingView view;
    AgentState state;
    AgentConfig config;
    std::unique_ptr<Agent> agent;
};
