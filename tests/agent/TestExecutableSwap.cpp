#include "modules/ExecutableSwap.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

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

    // The replacement fails after the executable was moved aside: the previous program goes back.
    void replacementFailingAfterTheBackupMovePutsTheProgramBack() {
        const auto failure = mdlGeneral::swapExecutable(path("absent"), path("agent"), path("agent.bak"));
        QVERIFY(!failure && failure.reason().endsWith("; the previous program was put back"));
        QCOMPARE((QByteArrayList{contents("agent"), contents("agent.bak")}),
                 (QByteArrayList{"old program", "-"}));
    }
};

QTEST_GUILESS_MAIN(TestExecutableSwap)
#include "TestExecutableSwap.moc"
