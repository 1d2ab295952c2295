#pragma once

#include "ApiClient.h"
#include "auth/ConsoleAuth.h"
#include "exchange/ReportForm.h"
#include "RunningServer.h"
#include "WireFormat.h"

// A running server with operators and a fleet put straight into its database, and clients to ask it.
struct ConsoleRig {
    explicit ConsoleRig(server::EnrolmentPolicy policy = server::EnrolmentPolicy::Open) {
        server.options.enrolment = policy;
        error = server.start();
        if (const auto opened = error.isEmpty() ? store.open(server.options.databaseFile) : Failure{error};
            !opened)
            qFatal("the console rig could not start: %s", qPrintable(opened.reason()));
    }

    bool addOperator(const QString& name, server::Role role, const QString& password = "correct horse") {
        return kept(auth.addOperator(name, role, password, server.now));
    }

    // A client logged in as a fresh operator of that role.
    std::unique_ptr<ApiClient> loggedIn(const QString& name, server::Role role) {
        auto client = std::make_unique<ApiClient>(server.central.url());
        if (!addOperator(name, role) || client->login(name, "correct horse") != 200)
            qFatal("%s could not log in: %s", qPrintable(name), qPrintable(error));
        return client;
    }

    // A report as the agent would send it, with `values` over plain defaults, received at `at`.
    bool report(const QString& computer, const QDateTime& at, const QHash<QString, QString>& values = {}) {
        QHash<QString, QString> all{{"sComputerName", computer}, {"sDisable", "0"}, {"sSettingTime", "10"},
                                    {"sAlertStatus", "0"},       {"sAlert", "0"},   {"sORUVersion", "2.2.2"}};
        all.insert(values);
        QStringList pairs;
        for (const QString& key : wire::reportKeys())
            pairs << key + '=' + wire::EncodeFieldValue(all.value(key));
        const auto form = server::FormFields::parse(pairs.join('&'));
        const auto parsed = form ? server::readStatusReport(*form) : Failure{form.reason()};
        return kept(parsed) && kept(store.storeReport(*parsed, at));
    }

    // Whether `result` succeeded; its reason stays in `error` for the failure message.
    template <typename T> bool kept(const Result<T>& result) {
        error = result.reason();
        return result.ok();
    }

    QString error;
    RunningServer server;
    server::ServerStore store;
    server::AccountStore accounts{store};
    server::ConsoleAuth auth{accounts};
};
