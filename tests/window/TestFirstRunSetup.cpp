#include "Endpoints.h"
#include "forms/frmSetup.h"
#include "support/AgentHarness.h"
#include "support/LoopbackResponder.h"

#include <QTest>

class TestFirstRunSetup : public QObject {
    Q_OBJECT

private slots:
    // What Finish leads to, as one line: the window's result, the name the agent took, the name file, what
    // the server heard, the boxes shown, and whether Finish may be pressed again.
    void finish_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("outcome");
        const QString refused = "0 |  |  | Try Again | enabled";
        for (const auto& [name, typed, outcome] : QList<std::array<QString, 3>>{
                 {"one word", "JVX_PC",
                  "1 | JVX_PC | JVX_PC | servercode=JVX_PC | Restart Needed | disabled"},
                 {"server unreachable", "SRV-7", "1 | SRV-7 | SRV-7 | Restart Needed | disabled"},
                 {"untouched", "Enter PC's Name", refused},
                 {"empty", "", refused},
                 {"blank at start", " SRV01", refused},
                 {"blank at end", "SRV01 ", refused},
                 // Only blanks are trimmed; the file and the server get the same name.
                 {"tab at start", "\tSRV01",
                  "1 | \tSRV01 | \tSRV01 | servercode=%09SRV01 | Restart Needed | disabled"},
                 {"name file unwritable", "SRV01", "0 |  |  | Setup not complete kova.ini | enabled"}})
            QTest::newRow(qPrintable(name)) << typed << outcome;
    }
    void finish() {
        QFETCH(QString, typed);
        QFETCH(QString, outcome);
        LoopbackResponder server;
        server.serve(Answer::http(200, "registered"));
        AgentHarness harness(server.url(wire::kExchangePath).toString(), QString());
        const QLatin1StringView row(QTest::currentDataTag());
        if (row == "server unreachable")
            harness.agent->server().setSettingsUrl(QStringLiteral("http://127.0.0.1:9") +
                                                   wire::kExchangePath);
        if (row == "name file unwritable")
            harness.location.folderPath = harness.folder.filePath("absent");
        frmSetup setup(*harness.agent);
        setup.Text1->setText(typed);
        QTest::mouseClick(setup.cmdWrite, Qt::LeftButton);

        QFile nameFile(harness.folder.filePath("kova.ini"));
        QStringList seen{QString::number(setup.result()), harness.state.ComputerName,
                         nameFile.open(QIODevice::ReadOnly) ? nameFile.readAll() : QString()};
        for (const ReceivedRequest& request : server.requests())
            seen << request.body;
        for (const platform::ShownBox& box : harness.boxes.shown)
            seen << box.title + (box.text.contains("kova.ini") ? " kova.ini" : "");
        seen << (setup.cmdWrite->isEnabled() ? "enabled" : "disabled");
        QCOMPARE(seen.join(" | "), outcome);
    }
};

QTEST_MAIN(TestFirstRunSetup)
#include "TestFirstRunSetup.moc"
