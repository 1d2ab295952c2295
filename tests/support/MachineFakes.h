#pragma once

#include "support/FakeLauncher.h"
#include "support/FakeMessageBox.h"
#include "support/PlatformFakes.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

// Every service through which the agent could touch the machine (restart, the clock, programs, message
// boxes, the process's end) replaced by a recorder for as long as this lives, and a temporary executable
// folder holding the status pictures, which the build puts beside the agent.
struct MachineFakes {
    MachineFakes() {
        const QDir built = QFileInfo(qEnvironmentVariable("KOVA_AGENT_EXE")).absoluteDir();
        for (const QString& name : {QStringLiteral("CheckMark.gif"), QStringLiteral("XMark.gif")})
            QFile::copy(built.filePath(name), folder.filePath(name));
    }

    QTemporaryDir folder;
    FakeExecutableLocation location{folder.path()};
    platform::ScopedFake<platform::ExecutableLocation> locationFake{location};
    RecordingProcessEnd ended;
    platform::ScopedFake<platform::ProcessEnd> endFake{ended};
    FakePower power;
    platform::ScopedFake<platform::Power> powerFake{power};
    FakeSystemClock clock;
    platform::ScopedFake<platform::SystemClock> clockFake{clock};
    FakeLauncher launcher;
    platform::ScopedFake<platform::Launcher> launcherFake{launcher};
    FakeMessageBox boxes;
    platform::ScopedFake<platform::MessageBox> boxesFake{boxes};
};
