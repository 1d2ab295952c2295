#include "support/FakeLauncher.h"

#include <QTest>

class TestLauncher : public QObject {
    Q_OBJECT

private slots:
    // A blank or a shell character in the path must not split it or reach a shell; the real launcher says
    // when a program is missing.
    void startsTheTargetAsOneArgument() {
        FakeLauncher launcher;
        QString error;
        {
            const platform::ScopedFake<platform::Launcher> fake(launcher);
            QVERIFY(platform::openFolder("/srv/incoming files;rm -rf x", &error));
        }
        QCOMPARE(launcher.starts,
                 (QList<FakeLauncher::Start>{{"xdg-open", {"/srv/incoming files;rm -rf x"}, false}}));
        QVERIFY(!platform::Seam<platform::Launcher>::get().startDetached("/nonexistent/kova", {}, &error));
        QVERIFY(!error.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestLauncher)
#include "TestLauncher.moc"
