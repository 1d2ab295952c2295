#include "forms/frmSetup.h"
#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"

#include <QTest>

class TestFirstRunSetup : public QObject {
    Q_OBJECT

    std::unique_ptr<LoopbackResponder> server;
    std::unique_ptr<AgentHarness> harness;

    QByteArray nameFile() {
        QFile file(harness->folder.filePath(QStringLiteral("kova.ini")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }
    QStringList boxTitles() {
        QStringList titles;
        for (const auto& box : platform::MessageBox::shown())
            titles << box.title;
        return titles;
    }
    int finish(const QString& typed) {
        frmSetup setup(*harness->agent);
        setup.Text1->setText(typed);
        QTest::mouseClick(setup.cmdWrite, Qt::LeftButton);
        return setup.result();
    }

private slots:
    void init() {
        server = std::make_unique<LoopbackResponder>();
        server->serve(Answer::http(200, "registered"));
        harness = std::make_unique<AgentHarness>(server->url("/kova-oru/process_servers.asp").toString(),
                                                 QString());
    }
    void cleanup() {
        harness.reset();
        server.reset();
    }

    void windowStartsWithItsTexts() {
        frmSetup setup(*harness->agent);
        QCOMPARE(setup.windowTitle(), QStringLiteral("Setup"));
        QCOMPARE(setup.Label1->text(), QStringLiteral("New Installation Detected!"));
        QCOMPARE(setup.Text1->text(), QStringLiteral("Enter PC's Name"));
        QCOMPARE(setup.cmdWrite->text(), QStringLiteral("Finish Setup"));
    }

    void oneWordIsWrittenAnnouncedAndEndsSetup() {
        QCOMPARE(finish(QStringLiteral("JVX_PC")), int(QDialog::Accepted));
        QCOMPARE(nameFile(), QByteArray("JVX_PC"));
        QCOMPARE(harness->state.ComputerName, QStringLiteral("JVX_PC"));
        QCOMPARE(server->requests().size(), 1);
        QCOMPARE(server->requests().first().body, QByteArray("servercode=JVX_PC"));
        QCOMPARE(boxTitles(), QStringList{"Restart Needed"});
    }

    void unreachableServerStillCompletes() {
        harness->agent->InetReceive.URL = QStringLiteral("http://127.0.0.1:9/kova-oru/process_servers.asp");
        QCOMPARE(finish(QStringLiteral("SRV-7")), int(QDialog::Accepted));
        QCOMPARE(nameFile(), QByteArray("SRV-7"));
    }

    void namesThatAreNotOneWordAreRefused_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("untouched") << "Enter PC's Name";
        QTest::newRow("empty") << "";
        QTest::newRow("leading blank") << " SRV01";
        QTest::newRow("trailing blank") << "SRV01 ";
    }
    void namesThatAreNotOneWordAreRefused() {
        QFETCH(QString, typed);
        QCOMPARE(finish(typed), int(QDialog::Rejected));
        QCOMPARE(boxTitles(), QStringList{"Try Again"});
        QCOMPARE(nameFile(), QByteArray("<missing>"));
        QVERIFY(server->requests().isEmpty());
    }

    void unwritableNameFileIsExplainedAndNothingSent() {
        platform::setExecutableFolderOverride(harness->folder.filePath(QStringLiteral("absent")));
        frmSetup setup(*harness->agent);
        setup.Text1->setText(QStringLiteral("SRV01"));
        QTest::mouseClick(setup.cmdWrite, Qt::LeftButton);
        QCOMPARE(boxTitles(), QStringList{"Setup not complete"});
        QVERIFY(platform::MessageBox::shown().first().text.contains(QStringLiteral("kova.ini")));
        QVERIFY(server->requests().isEmpty());
        QVERIFY(setup.cmdWrite->isEnabled()); // the operator may try again
        QVERIFY(harness->state.ComputerName.isEmpty());
    }
};

QTEST_MAIN(TestFirstRunSetup)
#include "TestFirstRunSetup.moc"
