#include "modules/ExecutableSwap.h"
#include "platform/ProgramReplacement.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <atomic>
#include <thread>

// The swap keeps a program under the executable's name whatever step fails.
class TestExecutableSwap : public QObject {
    Q_OBJECT

    QTemporaryDir folder;

    QString path(const QString& name) const { return folder.filePath(name); }
    QByteArray contents(const QString& name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("-");
    }
    void write(const QString& name, const QByteArray& bytes) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    }

private slots:
    void init() {
        for (const char* name : {"agent", "agent.bak", "new"})
            QFile::remove(path(name));
        write("agent", "old program");
    }

    void replacesAndKeepsTheBackup() {
        write("agent.bak", "older program");
        write("new", "new program");
        QVERIFY(mdlGeneral::swapExecutable(path("new"), path("agent"), path("agent.bak")));
        QCOMPARE((QByteArrayList{contents("agent"), contents("agent.bak"), contents("new")}),
                 (QByteArrayList{"new program", "old program", "-"}));
    }

    // The replacement fails: the previous program stands under its name, kept where it stood or put back.
    void failingReplacementLeavesTheProgram() {
        const auto failure = mdlGeneral::swapExecutable(path("absent"), path("agent"), path("agent.bak"));
        QVERIFY(!failure && failure.reason().startsWith("the download could not be put in place"));
        QCOMPARE(contents("agent"), "old program");
        if (!platform::canReplaceRunningProgram())
            QVERIFY(failure.reason().endsWith("; the previous program was put back"));
    }

    // A stop (or a power cut) at any moment of an update finds a program under the executable's name:
    // someone watching the name throughout many swaps never finds it missing.
    void theNameNeverStandsEmpty() {
        if (!platform::canReplaceRunningProgram())
            QSKIP("this system moves the running program aside before the new one takes its name");
        std::atomic_bool swapping{true};
        std::atomic_int missing{0};
        std::thread watcher([&] {
            while (swapping)
                missing += QFileInfo::exists(path("agent")) ? 0 : 1;
        });
        for (int round = 0; round < 300; ++round) {
            write("new", "program " + QByteArray::number(round));
            if (!mdlGeneral::swapExecutable(path("new"), path("agent"), path("agent.bak")))
                break;
        }
        swapping = false;
        watcher.join();
        QCOMPARE(contents("agent"), "program 299");
        QCOMPARE(missing.load(), 0);
    }
};

QTEST_GUILESS_MAIN(TestExecutableSwap)
#include "TestExecutableSwap.moc"
