// Logging in and out of the console.
#include "api/ConsoleApi.h"

#include "api/ComputerJson.h"
#include "http/JsonReply.h"
#include "http/SessionCookie.h"

#include <QJsonObject>

namespace server {

QHttpServerResponse ConsoleApi::sessionReply(const Caller& caller, const QString& cookieValue) {
    // The failed logins of the name since its previous login, so that its owner learns of guessing.
    QHttpServerResponse response = jsonReply({{"name", caller.name},
                                              {"role", roleText(caller.role)},
                                              {"csrfToken", caller.csrfToken},
                                              {"failedLogins", caller.failuresBefore.count},
                                              {"lastFailedLoginAt", timeJson(caller.failuresBefore.last)}});
    if (!cookieValue.isEmpty())
        response.setHeader("Set-Cookie",
                           sessionCookieHeader(cookieValue, ConsoleAuth::kSessionSeconds, m_tls));
    return response;
}

QHttpServerResponse ConsoleApi::login(const Call& call) {
    const auto& body = call.request.body;
    if (!body)
        return errorReply(HttpStatus::BadRequest, body.reason());
    const QJsonValue name = body->value("name");
    const QJsonValue password = body->value("password");
    if (!name.isString() || !password.isString())
        return errorReply(HttpStatus::BadRequest, QStringLiteral("Give \"name\" and \"password\" as texts."));
    using Outcome = ConsoleAuth::LoginResult::Outcome;
    const auto result =
        m_auth.login(name.toString(), password.toString(), call.request.clientAddress, call.now);
    switch (result.outcome) {
    case Outcome::LoggedIn:
        return sessionReply(result.caller, result.sessionToken);
    case Outcome::WrongCredentials: {
        QString reason = QStringLiteral("Wrong name or password.");
        if (result.waitSeconds > 0)
            reason +=
                QStringLiteral(" Too many failed logins from this address: the next try waits %1 seconds.")
                    .arg(result.waitSeconds);
        return errorReply(HttpStatus::Unauthorized, reason, {{"retryAfterSeconds", result.waitSeconds}});
    }
    case Outcome::MustWait: {
        QHttpServerResponse response =
            errorReply(HttpStatus::TooManyRequests,
                       QStringLiteral("Too many failed logins from this address: try again in %1 seconds.")
                           .arg(result.waitSeconds),
                       {{"retryAfterSeconds", result.waitSeconds}});
        response.setHeader("Retry-After", QByteArray::number(result.waitSeconds));
        return response;
    }
    case Outcome::Unfit:
        return errorReply(HttpStatus::BadRequest, QStringLiteral("Not a login: %1.").arg(result.error));
    case Outcome::Failed:
        break;
    }
    return storeFailure(result.error);
}

QHttpServerResponse ConsoleApi::whoAmI(const Call& call) {
    return sessionReply(*call.caller, {});
}

QHttpServerResponse ConsoleApi::logout(const Call& call) {
    const QString& token = call.request.sessionCookie;
    if (!token.isEmpty()) {
        if (const auto loggedOut = m_auth.logout(token); !loggedOut)
            return storeFailure(loggedOut.reason());
    }
    QHttpServerResponse response = jsonReply({});
    response.setHeader("Set-Cookie", sessionCookieHeader({}, 0, m_tls));
    return response;
}

} // namespace server
