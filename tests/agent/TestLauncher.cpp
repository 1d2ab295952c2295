#include "support/FakeLauncher.h"

#include <QTest>

class TestLauncher : public QObject {
    Q_OBJECT

private slots:
    // A blank or a shell character in the path must not split it or reach a shell.
    void opensFolderAndSiteAsOneArgument() {
        FakeLauncher launcher;
        platform::ScopedFake<platform::Launcher> fake(launcher);
        QString error;
        QVERIFY(platform::openFolder("/srv/incoming files;rm -rf x", &error));
        QVERIFY(platform::openWebSite("https://kova-oru.example/?a=1&b=2", &error));
        QCOMPARE(launcher.starts,
                 (QList<FakeLauncher::Start>{{"xdg-open", {"/srv/incoming files;rm -rf x"}, false},
                                             {"xdg-open", {"https://kova-oru.example/?a=1&b=2"}, false}}));
    }

    void realLauncherReportsAMissingProgram() {
        QString error;
        QVERIFY(!platform::Seam<platform::Launcher>::get().startDetached("/nonexistent/kova-program", {},
                                                                         &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLauncher)
#include "TestLauncher.moc"
