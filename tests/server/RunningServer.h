#pragma once

#include "ApiClient.h"
#include "auth/ConsoleAuth.h"
#include "Endpoints.h"
#include "exchange/ReportForm.h"
#include "server/AgentForms.h"
#include "server/ServerTime.h"
#include "shell/AccountActions.h"
#include "shell/CentralServer.h"
#include "support/BlockingHttp.h"
#include "support/TestDatabase.h"
#include "WireFormat.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// The tests' central server in this process: a free loopback port, a fresh database (see testdb), and new
// names enrolled on first contact unless a test sets another policy before start().
struct RunningServer {
    enum class Kind {
        Plain,    // a clock the test sets
        Alerting, // a shared webhook secret, retries and silence checks fast enough to watch, and the wall
                  // clock (retries wait on it) unless the test pins `now`
        Console,  // the store opened beside the server, for operators and reports put straight into it
    };

    explicit RunningServer(Kind kind = Kind::Plain) : kind(kind) {
        options.port = 0;
        options.enrolment = server::EnrolmentPolicy::Open;
        options.databaseFile = testdb::fresh(dir, QStringLiteral("server.sqlite"));
        options.newDatabase = true;
        options.updatesFolder = dir.path();
        options.reportIntervalSeconds = 0; // tests report as fast as they like unless they test the interval
        if (kind == Kind::Alerting) {
            now = {};
            options.alerting.webhookSecret = "shared secret";
            options.alerting.firstRetry = std::chrono::milliseconds(100);
            options.alerting.silenceCheck = std::chrono::milliseconds(100);
        }
    }

    QString start() { // the reason it could not start, or empty
        if (!kept(central.start(options)) ||
            (kind == Kind::Console && !kept(store.open(options.databaseFile, server::NewDatabase::Refused))))
            return error;
        return {};
    }

    QUrl url(const QString& path) const { return central.url().resolved(QUrl(path)); }
    QUrl endpoint() const { return url(wire::kExchangePath); }

    // The settings request of an agent, with its key when it has one.
    testsupport::HttpResult askSettings(const QString& computer, const QByteArray& key = {}) const {
        return testsupport::postForm(endpoint(), wire::settingsRequestBody(computer).toUtf8(),
                                     key.isEmpty() ? testsupport::HeaderList{} : testsupport::bearer(key));
    }
    // Enrols the computer as its agent would at first contact and returns the key it was given.
    QByteArray enrol(const QString& computer) const {
        return askSettings(computer).header(wire::kAgentKeyHeader);
    }

    // A report sent as the agent sends it, with only the given folder slots in use: slot -> {path, files,
    // limit}. The computer enrols first when it has no key yet. The status of the answer.
    // `extra`: further report values (disks, the alert status ...).
    int report(const QString& computer, const QMap<int, QStringList>& folders, const QString& message = {},
               const QHash<QString, QString>& extra = {}) {
        if (!keys.contains(computer))
            keys.insert(computer, enrol(computer));
        return testsupport::postForm(endpoint(), reportBody(computer, folders, message, extra),
                                     testsupport::bearer(keys[computer]))
            .status;
    }
    static QByteArray reportBody(const QString& computer, const QMap<int, QStringList>& folders = {},
                                 const QString& message = {}, const QHash<QString, QString>& extra = {}) {
        QHash<QString, QString> values{{"sMessage", message}, {"sSettingTime", "1"}, {"sDisable", "0"}};
        values.insert(extra);
        for (int slot = 1; slot <= wire::kSlotCount; ++slot) {
            const QStringList folder = folders.value(slot, {"", "0", ""});
            values.insert(QStringLiteral("sDir%1").arg(slot), folder[0]);
            values.insert(QStringLiteral("sCount%1").arg(slot), folder[1]);
            values.insert(QStringLiteral("sAlert%1").arg(slot), folder[2]);
        }
        return reportForm(computer, values);
    }

    // An API token made the way an operator makes one, before the server starts on the database.
    QByteArray addToken(server::Role role, const QString& name = "script") const {
        server::ServerOptions action = options;
        action.account = server::AccountAction{server::AccountAction::Kind::AddToken, name, role};
        QString input, printed;
        QTextStream in(&input), out(&printed);
        if (!server::runAccountAction(action, in, out))
            return {};
        return QRegularExpression("[A-Za-z0-9_-]{40,}").match(printed).captured().toLatin1();
    }

    // Reads the database behind the server's back: the first column of the first row, or `none`.
    QVariant value(const QString& sql, const QVariant& none = {}) const {
        return testdb::value(options.databaseFile, sql, none);
    }
    int count(const QString& sql) const { return value(sql, -1).toInt(); }
    // Changes the database behind the server's back.
    bool execute(const QString& sql) const { return testdb::execute(options.databaseFile, sql); }

    // The console's side (Kind::Console): an operator of that role with a known password.
    bool addOperator(const QString& name, server::Role role, const QString& password = "correct horse") {
        return kept(auth.addOperator(name, role, password, now));
    }

    // A client logged in as a fresh operator of that role.
    std::unique_ptr<ApiClient> loggedIn(const QString& name, server::Role role) {
        auto client = std::make_unique<ApiClient>(central.url());
        if (!addOperator(name, role) || client->login(name, "correct horse") != 200)
            qFatal("%s could not log in: %s", qPrintable(name), qPrintable(error));
        return client;
    }

    // A report put straight into the store as received at `at`, with `values` over plain defaults.
    bool storeReport(const QString& computer, const QDateTime& at,
                     const QHash<QString, QString>& values = {}) {
        QHash<QString, QString> all{{"sComputerName", computer}, {"sDisable", "0"}, {"sSettingTime", "10"},
                                    {"sAlertStatus", "0"},       {"sAlert", "0"},   {"sORUVersion", "2.2.2"}};
        all.insert(values);
        QStringList pairs;
        for (const QString& key : wire::reportKeys())
            pairs << key + '=' + wire::EncodeFieldValue(all.value(key));
        const auto form = server::FormFields::parse(pairs.join('&').toUtf8());
        const auto parsed = form ? server::readStatusReport(*form) : Failure{form.reason()};
        return kept(parsed) && kept(store.storeReport(*parsed, at));
    }

    // Whether `result` succeeded; its reason stays in `error` for the failure message.
    template <typename T> bool kept(const Result<T>& result) {
        error = result.reason();
        return result.ok();
    }

    const Kind kind;
    QTemporaryDir dir;
    QDateTime now{QDate(2026, 12, 5), QTime(15, 0, 0)}; // the server's time; invalid: the wall clock's
    server::ServerOptions options;
    QHash<QString, QByteArray> keys; // the agent key of each computer report() enrolled
    QString error;
    ServerTime clock{[this] { return now.isValid() ? now : QDateTime::currentDateTime(); }};
    server::CentralServer central;
    server::ServerStore store;
    server::AccountStore accounts{store};
    server::ConsoleAuth auth{accounts};
};
