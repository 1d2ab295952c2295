#include "modules/GetFolderStats.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>

using mdlProcessAlerts::GetFolderStats;

class TestFolderStats : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;

    QString path(const QString& name) const { return scratch.filePath(name); }
    // Sizes are set without writing data, so large files cost no disk space.
    void makeFile(const QString& name, qint64 size) {
        QFile file(path(name));
        QVERIFY(file.open(QIODevice::WriteOnly) && file.resize(size));
    }

private slots:
    // Plain and hidden files count, sizes past 4 GB included; subfolders, pipes and links that lead to no
    // file do not. An empty folder is "0/0".
    void countsTheFilesDirectlyInside() {
        QVERIFY(QDir(scratch.path()).mkpath("in/sub") && QDir(scratch.path()).mkpath("out/folder"));
        makeFile("in/large", 3LL << 30);
        makeFile("in/.hidden", (3LL << 30) + 7);
        makeFile("in/empty", 0);
        makeFile("in/sub/inside", 777);
        makeFile("out/target", 300);
#ifdef Q_OS_WIN
        // Links made by Qt are shortcut files there, plain files like any other; folders hold no pipes.
        QCOMPARE(GetFolderStats(path("in")), "6442450951/3");
#else
        QVERIFY(QFile::link(path("out/target"), path("in/to-file")));
        QVERIFY(QFile::link(path("out/folder"), path("in/to-folder")));
        QVERIFY(QFile::link(path("out/gone"), path("in/broken")));
        QVERIFY(QFile::link(path("in/loop"), path("in/loop")));
        QCOMPARE(::mkfifo(QFile::encodeName(path("in/pipe")).constData(), 0600), 0);
        QCOMPARE(GetFolderStats(path("in")), "6442451251/4");
#endif
        QCOMPARE(GetFolderStats(path("out/folder")), "0/0");
        QCOMPARE(GetFolderStats(path("in/large")), QString()); // a file is no folder: the slot cannot be read
        // The kernel hands out a listing in batches; a folder longer than one batch must be read to its end.
        for (int i = 0; i < 3000; ++i)
            makeFile("out/folder/" + QString(200, u'n') + QString::number(i), 1);
        QCOMPARE(GetFolderStats(path("out/folder")), "3000/3000");
    }
};

QTEST_GUILESS_MAIN(TestFolderStats)
#include "TestFolderStats.moc"
