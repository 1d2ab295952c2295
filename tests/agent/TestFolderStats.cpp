#include "modules/GetFolderStats.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sys/stat.h>
#include <unistd.h>

using mdlProcessAlerts::GetFolderStats;

class TestFolderStats : public QObject {
    Q_OBJECT

    QTemporaryDir scratch;
    int caseNumber = 0;

    // A fresh folder per case, so cases cannot see each other's files.
    QString newFolder() {
        const QString path = scratch.filePath(QString::number(++caseNumber));
        QDir().mkpath(path);
        return path;
    }

    // Sizes are set without writing data, so large files cost no disk space.
    static void makeFile(const QString& path, qint64 size) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(size));
    }

private slots:
    void initTestCase() { QVERIFY(scratch.isValid()); }

    void emptyFolderIsZero() { QCOMPARE(GetFolderStats(newFolder()), "0/0"); }

    void countsHiddenFilesButNothingInSubfolders() {
        const QString dir = newFolder();
        makeFile(dir + "/a.txt", 1000);
        makeFile(dir + "/b.log", 4000);
        makeFile(dir + "/.hidden", 120);
        makeFile(dir + "/empty", 0);
        QDir(dir).mkpath("sub/deeper");
        makeFile(dir + "/sub/inside", 777);
        makeFile(dir + "/sub/deeper/further", 999);
        QCOMPARE(GetFolderStats(dir), "5120/4");
    }

    void linksCountOnlyWhenTheyLeadToAFile() {
        const QString dir = newFolder();
        const QString elsewhere = newFolder();
        makeFile(elsewhere + "/target", 300);
        QDir(elsewhere).mkdir("folder");
        makeFile(dir + "/plain", 20);
        QVERIFY(QFile::link(elsewhere + "/target", dir + "/to-file"));
        QVERIFY(QFile::link(elsewhere + "/folder", dir + "/to-folder"));
        QVERIFY(QFile::link(elsewhere + "/gone", dir + "/broken"));
        QVERIFY(QFile::link(dir + "/loop", dir + "/loop"));
        QCOMPARE(GetFolderStats(dir), "320/2");
    }

    void pipesAreNoFiles() {
        const QString dir = newFolder();
        makeFile(dir + "/real", 5);
        QCOMPARE(::mkfifo(QFile::encodeName(dir + "/pipe").constData(), 0600), 0);
        QCOMPARE(GetFolderStats(dir), "5/1");
    }

    void sizesBeyondFourGigabytesAddUp() {
        const QString dir = newFolder();
        makeFile(dir + "/first", 3LL << 30);
        makeFile(dir + "/second", (3LL << 30) + 7);
        QCOMPARE(GetFolderStats(dir), "6442450951/2");
    }

    // The kernel hands out the listing in batches; a folder longer than one batch must be read to its end.
    void longListingIsReadToTheEnd() {
        const QString dir = newFolder();
        const QString longName(200, u'n');
        constexpr int count = 3000;
        for (int i = 0; i < count; ++i)
            makeFile(dir + "/" + longName + QString::number(i), 1);
        QCOMPARE(GetFolderStats(dir), QStringLiteral("%1/%1").arg(count));
    }

    void unreadableFolderGivesEmptyText_data() {
        // DIR stands for the case's folder.
        QTest::addColumn<QString>("pattern");
        QTest::addColumn<bool>("needsNonRoot");
        QTest::newRow("missing") << "DIR/missing" << false;
        QTest::newRow("a file, not a folder") << "DIR/file" << false;
        QTest::newRow("not trimmed: trailing blank") << "DIR/folder " << false;
        QTest::newRow("not trimmed: leading blank") << " DIR/folder" << false;
        QTest::newRow("empty path") << "" << false;
        QTest::newRow("no permission at all") << "DIR/locked" << true;
        QTest::newRow("listable but not searchable") << "DIR/listonly" << true;
    }
    void unreadableFolderGivesEmptyText() {
        QFETCH(QString, pattern);
        QFETCH(bool, needsNonRoot);
        if (needsNonRoot && ::geteuid() == 0)
            QSKIP("permissions do not bind the superuser");
        const QString dir = newFolder();
        makeFile(dir + "/file", 10);
        QDir(dir).mkdir("folder");
        QDir(dir).mkdir("locked");
        makeFile(dir + "/locked/inside", 10);
        QDir(dir).mkdir("listonly");
        makeFile(dir + "/listonly/inside", 10);
        ::chmod(QFile::encodeName(dir + "/locked").constData(), 0);
        ::chmod(QFile::encodeName(dir + "/listonly").constData(), 0444);

        QCOMPARE(GetFolderStats(dir + "/folder"), "0/0");
        const QString result = GetFolderStats(QString(pattern).replace("DIR", dir));

        ::chmod(QFile::encodeName(dir + "/locked").constData(), 0700);
        ::chmod(QFile::encodeName(dir + "/listonly").constData(), 0700);
        QCOMPARE(result, QString());
    }
};

QTEST_GUILESS_MAIN(TestFolderStats)
#include "TestFolderStats.moc"
