// The agents' writes share one commit: many requests read in one turn of the event loop are committed
// together, and each is answered only after that commit, in the order of its connection's requests.
#include "server/RawConnection.h"
#include "server/RunningServer.h"

#include <atomic>
#include <memory>
#include <QDeadlineTimer>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <thread>

namespace {

using namespace std::chrono_literals;

const QStringList kComputers{"PC-01", "PC-02", "PC-03", "PC-04", "PC-05", "PC-06", "PC-07", "PC-08"};
const QString kDoomed = QStringLiteral("PC-03");

QByteArray exchangeRequest(const QByteArray& body, const QByteArray& key) {
    return "POST " + wire::kExchangePath.toUtf8() +
           " HTTP/1.1\r\nHost: h\r\nContent-Type: application/x-www-form-urlencoded\r\n"
           "Authorization: Bearer " +
           key + "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

const QByteArray kTimeRequest = "GET " + wire::kTimePath.toUtf8() + " HTTP/1.1\r\nHost: h\r\n\r\n";

// SQLite checks a deferred foreign key only at the commit, and only on a connection that enforces them:
// the one way to have a commit fail after every write in it succeeded. The server's connection is the
// only store connection in this process when the test has none of its own.
bool enforceForeignKeysOnServer() {
    QStringList ours;
    for (const QString& name : QSqlDatabase::connectionNames())
        if (name.startsWith(QLatin1String("kova-server-store-")))
            ours << name;
    if (ours.size() != 1)
        return false;
    QSqlQuery query(QSqlDatabase::database(ours.first(), false));
    return query.exec(QStringLiteral("PRAGMA foreign_keys = ON"));
}

} // namespace

class TestGroupedCommit : public QObject {
    Q_OBJECT

    std::unique_ptr<RunningServer> m_server;

    RunningServer& startServer(RunningServer::Kind kind = RunningServer::Kind::Plain) {
        m_server = std::make_unique<RunningServer>(kind);
        m_server->options.reportIntervalSeconds = 3600;
        if (const QString error = m_server->start(); !error.isEmpty())
            qFatal("the server did not start: %s", qPrintable(error));
        return *m_server;
    }

    int storedReports(const QString& computer) const {
        return m_server->count(
            QStringLiteral("SELECT COUNT(*) FROM reports WHERE \"sComputerName\" = '%1'").arg(computer));
    }

    // Every computer's report on a connection of its own, all written before the server reads any, and then
    // `more` on connections of their own. The server reads them in the order their connections were made.
    QList<QByteArray> reportAtOnce(RunningServer& server, const QList<QByteArray>& more = {}) {
        QList<QByteArray> requests;
        for (const QString& computer : kComputers) {
            server.keys.insert(computer, server.enrol(computer));
            requests << exchangeRequest(RunningServer::reportBody(computer), server.keys[computer]);
        }
        requests << more;
        std::vector<std::unique_ptr<RawConnection>> clients;
        for (qsizetype k = 0; k < requests.size(); ++k)
            clients.push_back(std::make_unique<RawConnection>(server));
        for (qsizetype k = 0; k < requests.size(); ++k) {
            clients[k]->send(requests[k]);
            clients[k]->socket.flush();
        }
        QList<QByteArray> answers;
        for (const auto& client : clients) {
            client->answeredWithin("HTTP/1.1 ");
            answers << client->received;
        }
        return answers;
    }

    static QStringList commitBreaker() {
        return {QStringLiteral("CREATE TABLE commit_parent (id INTEGER PRIMARY KEY)"),
                QStringLiteral("CREATE TABLE commit_breaker (id INTEGER REFERENCES commit_parent(id) "
                               "DEFERRABLE INITIALLY DEFERRED)"),
                QStringLiteral("CREATE TRIGGER break_commit AFTER INSERT ON reports "
                               "WHEN NEW.\"sComputerName\" = '%1' "
                               "BEGIN INSERT INTO commit_breaker VALUES (1); END")
                    .arg(kDoomed)};
    }

private slots:
    void cleanup() { m_server.reset(); }

    // `refused`: the computers whose report is answered 500 and not stored. A report not stored never
    // counts against the interval, so only those are taken a third time.
    void reportsInOneGroup_data() {
        QTest::addColumn<QStringList>("setup");
        QTest::addColumn<bool>("failAtCommit");
        QTest::addColumn<QStringList>("refused");
        QTest::addColumn<QString>("reason");
        QTest::newRow("all stored") << QStringList{} << false << QStringList{} << QString();
        QTest::newRow("one refused by the database rolls back alone")
            << QStringList{QStringLiteral("CREATE TRIGGER refuse_one BEFORE INSERT ON reports "
                                          "WHEN NEW.\"sComputerName\" = '%1' "
                                          "BEGIN SELECT RAISE(ABORT, 'refused by the test'); END")
                               .arg(kDoomed)}
            << false << QStringList{kDoomed} << QStringLiteral("refused by the test");
        QTest::newRow("a failed commit loses the whole group")
            << commitBreaker() << true << kComputers << QStringLiteral("FOREIGN KEY constraint failed");
    }
    void reportsInOneGroup() {
        QFETCH(QStringList, setup);
        QFETCH(bool, failAtCommit);
        QFETCH(QStringList, refused);
        QFETCH(QString, reason);
        RunningServer& server = startServer();
        for (const QString& statement : setup)
            QVERIFY2(server.execute(statement), qPrintable(statement));
        QVERIFY(!failAtCommit || enforceForeignKeysOnServer());

        const QList<QByteArray> answers = reportAtOnce(server);
        for (qsizetype k = 0; k < kComputers.size(); ++k) {
            const QString& computer = kComputers[k];
            const QByteArray& answer = answers[k];
            if (refused.contains(computer)) {
                QVERIFY2(answer.startsWith("HTTP/1.1 500"), answer.constData());
                QVERIFY2(answer.contains("Report could not be stored: " + reason.toUtf8()),
                         answer.constData());
                QCOMPARE(storedReports(computer), 0);
            } else {
                QVERIFY2(answer.startsWith("HTTP/1.1 200"), answer.constData());
                QVERIFY2(answer.contains("Report received for " + computer.toUtf8()), answer.constData());
                QCOMPARE(storedReports(computer), 1);
            }
        }

        QVERIFY(server.execute(QStringLiteral("DROP TRIGGER IF EXISTS refuse_one")));
        QVERIFY(server.execute(QStringLiteral("DROP TRIGGER IF EXISTS break_commit")));
        for (const QString& computer : kComputers) {
            QCOMPARE(server.report(computer, {}), 200);
            QCOMPARE(server.report(computer, {}), refused.contains(computer) ? 200 : 429);
        }
    }

    // A download writes nothing for a computer no operator has changed, but settings read while a group is
    // open may be what that group wrote: when its commit fails they are not given as if they stood.
    void settingsReadInAGroup_data() {
        QTest::addColumn<bool>("failAtCommit");
        QTest::newRow("committed") << false;
        QTest::newRow("commit failed") << true;
    }
    void settingsReadInAGroup() {
        QFETCH(bool, failAtCommit);
        RunningServer& server = startServer();
        for (const QString& statement : commitBreaker())
            QVERIFY2(server.execute(statement), qPrintable(statement));
        QVERIFY(!failAtCommit || enforceForeignKeysOnServer());
        const QString reader = QStringLiteral("PC-09");
        const QByteArray key = server.enrol(reader);
        if (!failAtCommit)
            QVERIFY(server.execute(QStringLiteral("DROP TRIGGER break_commit")));

        const QList<QByteArray> answers =
            reportAtOnce(server, {exchangeRequest("servercode=" + reader.toUtf8(), key)});

        const QByteArray& settings = answers.last();
        if (failAtCommit) {
            QVERIFY2(settings.startsWith("HTTP/1.1 500"), settings.constData());
            QVERIFY2(settings.endsWith("\r\n\r\n"), settings.constData());
        } else {
            QVERIFY2(settings.startsWith("HTTP/1.1 200"), settings.constData());
            QVERIFY2(settings.contains(", "), settings.constData());
        }
    }

    // The second request is parsed only once the first one's answer is out.
    void pipelinedAnswersKeepTheirOrder_data() {
        QTest::addColumn<QByteArray>("second");
        QTest::addColumn<QByteArray>("secondMarker");
        QTest::newRow("a report, then the time page") << kTimeRequest << QByteArray("text/html");
        QTest::newRow("a report, then another")
            << exchangeRequest(RunningServer::reportBody(kDoomed, {}, "second"), {})
            << QByteArray("HTTP/1.1 401");
    }
    void pipelinedAnswersKeepTheirOrder() {
        QFETCH(QByteArray, second);
        QFETCH(QByteArray, secondMarker);
        RunningServer& server = startServer();
        const QByteArray key = server.enrol(kComputers[0]);
        RawConnection client(server);
        client.send(exchangeRequest(RunningServer::reportBody(kComputers[0]), key) + second);
        QVERIFY(QTest::qWaitFor([&] { return client.received.count("HTTP/1.1 ") == 2; }, 5000));
        const qsizetype first = client.received.indexOf("Report received for " + kComputers[0].toUtf8());
        QVERIFY2(first > 0, client.received.constData());
        QVERIFY2(client.received.indexOf(secondMarker) > first, client.received.constData());
        QCOMPARE(storedReports(kComputers[0]), 1);
    }

    void clientGoneBeforeItsAnswer() {
        RunningServer& server = startServer();
        const QByteArray key = server.enrol(kComputers[0]);
        {
            RawConnection client(server);
            client.send(exchangeRequest(RunningServer::reportBody(kComputers[0]), key));
            client.socket.flush();
            client.socket.abort();
        }
        QVERIFY(QTest::qWaitFor([&] { return storedReports(kComputers[0]) == 1; }, 5000));
        QCOMPARE(testsupport::httpRequest("GET", server.url(wire::kTimePath)).status, 200);
    }

    // HTTP has a thread of its own: while the main thread, where the store commits, is held, a client is
    // still answered the time page.
    void httpAnsweredWhileTheMainThreadIsHeld() {
        RunningServer& server = startServer();
        std::atomic<bool> answered = false;
        std::thread client([&, port = server.central.port()] {
            QTcpSocket socket;
            socket.connectToHost(QHostAddress::LocalHost, port);
            socket.waitForConnected(5000);
            socket.write(kTimeRequest);
            while (!socket.peek(64).contains("\r\n") && socket.waitForReadyRead(5000)) {
            }
            answered = socket.readAll().startsWith("HTTP/1.1 200");
        });
        const QDeadlineTimer held(10000);
        while (!answered && !held.hasExpired())
            QThread::msleep(5); // no events handled here meanwhile
        client.join();
        QVERIFY(answered);
    }

    // Which of two connections' requests the server reads first is the HTTP thread's to say, so the
    // console asks once the agent has its answer.
    void consoleSeesAnAcknowledgedReportAtOnce() {
        RunningServer& server = startServer(RunningServer::Kind::Console);
        const auto admin = server.loggedIn("admin", server::Role::Admin);
        const QByteArray key = server.enrol(kComputers[0]);
        RawConnection client(server);
        client.send(exchangeRequest(RunningServer::reportBody(kComputers[0], {}, "fresh"), key));
        QVERIFY(client.answeredWithin("HTTP/1.1 200"));
        const auto computer = admin->get("/api/v1/computers/" + kComputers[0]);
        QCOMPARE(computer.status, 200);
        QVERIFY2(computer.body.contains("fresh"), computer.body.constData());
    }
};

QTEST_MAIN(TestGroupedCommit)
#include "TestGroupedCommit.moc"
