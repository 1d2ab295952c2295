#include "support/FakeLauncher.h"

#include <QTest>

class TestLauncher : public QObject {
    Q_OBJECT

private slots:
    // A blank or a shell character in the path must not split it or reach a shell; a missing program
    // says so.
    void startsEachTargetAsOneArgument() {
        FakeLauncher launcher;
        QString error;
        {
            platform::ScopedFake<platform::Launcher> fake(launcher);
            QVERIFY(platform::openFolder("/srv/incoming files;rm -rf x", &error));
            QVERIFY(platform::openWebSite("https://kova-oru.example/?a=1&b=2", &error));
        }
        QCOMPARE(launcher.starts,
                 (QList<FakeLauncher::Start>{{"xdg-open", {"/srv/incoming files;rm -rf x"}, false},
                                             {"xdg-open", {"https://kova-oru.example/?a=1&b=2"}, false}}));
        QVERIFY(!platform::Seam<platform::Launcher>::get().startDetached("/nonexistent/kova", {}, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLauncher)
#include "TestLauncher.moc"
