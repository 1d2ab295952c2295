#pragma once

#include "Endpoints.h"
#include "server/AgentForms.h"
#include "server/ServerTime.h"
#include "shell/AccountActions.h"
#include "shell/CentralServer.h"
#include "support/BlockingHttp.h"
#include "support/TestDatabase.h"

#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

// A central server on loopback for the alerting tests: fast retries and silence checks, a shared secret,
// and a clock that runs unless the test pins it.
struct AlertingServer {
    AlertingServer() {
        options.port = 0;
        options.databaseFile = testdb::fresh(dir, QStringLiteral("server.sqlite"));
        options.enrolment = server::EnrolmentPolicy::Open;
        options.alerting.webhookSecret = "shared secret";
        options.alerting.firstRetry = std::chrono::milliseconds(100);
        options.alerting.silenceCheck = std::chrono::milliseconds(100);
    }

    QString start() { return central.start(options).reason(); }

    QUrl url(const QString& path) const { return central.url().resolved(QUrl(path)); }
    QUrl endpoint() const { return url(wire::kExchangePath); }

    // A settings request as the agent sends it; the first one of a name enrols it (the key comes in a
    // header).
    testsupport::HttpResult askSettings(const QString& computer) const {
        return testsupport::postForm(endpoint(), wire::settingsRequestBody(computer).toUtf8());
    }

    // A report with only the given folder slots in use: slot -> {path, files, limit}.
    int report(const QString& computer, const QMap<int, QStringList>& folders, const QString& message = {}) {
        QHash<QString, QString> values{{"sMessage", message}, {"sSettingTime", "1"}, {"sDisable", "0"}};
        for (int slot = 1; slot <= 10; ++slot) {
            const QStringList folder = folders.value(slot, {"", "0", ""});
            values.insert(QStringLiteral("sDir%1").arg(slot), folder[0]);
            values.insert(QStringLiteral("sCount%1").arg(slot), folder[1]);
            values.insert(QStringLiteral("sAlert%1").arg(slot), folder[2]);
        }
        if (!keys.contains(computer))
            keys.insert(computer, askSettings(computer).header(wire::kAgentKeyHeader));
        return testsupport::postForm(endpoint(), reportForm(computer, values),
                                     testsupport::bearer(keys[computer]))
            .status;
    }

    QVariant value(const QString& sql) const { return testdb::value(options.databaseFile, sql); }

    QTemporaryDir dir;
    server::ServerOptions options;
    std::optional<QDateTime> pinned;
    QHash<QString, QByteArray> keys; // each enrolled computer's agent key
    ServerTime clock{[this] { return pinned.value_or(QDateTime::currentDateTime()); }};
    server::CentralServer central;
};

// An API token made the way an operator makes one, before the server starts on the database.
inline QByteArray addToken(const server::ServerOptions& options, server::Role role) {
    server::ServerOptions action = options;
    action.account = server::AccountAction{server::AccountAction::Kind::AddToken, "script", role};
    QString input, printed;
    QTextStream in(&input), out(&printed);
    if (!server::runAccountAction(action, in, out))
        return {};
    return QRegularExpression("[A-Za-z0-9_-]{40,}").match(printed).captured().toLatin1();
}
