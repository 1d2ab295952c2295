#include "auth/ConsoleAuth.h"

#include "auth/LoginBackoff.h"
#include "auth/Secrets.h"

namespace server {
namespace {

constexpr int kLongestName = 64;
constexpr int kShortestPassword = 8;
constexpr int kLongestPassword = 1024;

// Checked against when the name is unknown, so a wrong name costs the same time as a wrong password
// and the answer's timing does not tell which names exist.
const QString& decoyHash() {
    static const QString hash = secrets::passwordHash(secrets::newSecret());
    return hash;
}

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

QString operatorNameProblem(const QString& name) {
    if (name.isEmpty() || name.size() > kLongestName)
        return QStringLiteral("a name has 1 to %1 characters").arg(kLongestName);
    if (hasControlCharacter(name))
        return QStringLiteral("a name holds no control characters");
    return {};
}

QString passwordProblem(const QString& password) {
    if (password.size() < kShortestPassword || password.size() > kLongestPassword)
        return QStringLiteral("a password has %1 to %2 characters")
            .arg(kShortestPassword)
            .arg(kLongestPassword);
    return {};
}

ConsoleAuth::LoginResult ConsoleAuth::login(const QString& name, const QString& password,
                                            const QDateTime& now) {
    LoginResult result;
    const auto failures = m_accounts.failures(name, &result.error);
    if (!failures)
        return result;
    if (failures->nextTryAt.isValid() && now < failures->nextTryAt) {
        result.outcome = LoginResult::Outcome::MustWait;
        result.waitSeconds = std::max<qint64>(1, (now.msecsTo(failures->nextTryAt) + 999) / 1000);
        return result;
    }
    const auto login = m_accounts.login(name, &result.error);
    if (!result.error.isEmpty())
        return result;
    const bool matches = secrets::passwordMatches(password, login ? login->passwordHash : decoyHash());
    if (!login || !matches)
        return failedLogin(name, failures->count, now);

    const QString token = secrets::newSecret();
    const Caller caller{name, login->role, secrets::newSecret()};
    if (!m_accounts.clearFailures(name, &result.error) ||
        !m_accounts.saveSession(secrets::secretDigest(token), name, caller.csrfToken, now,
                                now.addSecs(kSessionSeconds), &result.error))
        return result;
    result.outcome = LoginResult::Outcome::LoggedIn;
    result.caller = caller;
    result.sessionToken = token;
    return result;
}

ConsoleAuth::LoginResult ConsoleAuth::failedLogin(const QString& name, int earlierFailures,
                                                  const QDateTime& now) {
    LoginResult result;
    AccountStore::Failures failures{earlierFailures + 1, {}};
    result.waitSeconds = loginWaitSeconds(failures.count);
    if (result.waitSeconds > 0)
        failures.nextTryAt = now.addSecs(result.waitSeconds);
    if (!m_accounts.saveFailures(name, failures, &result.error))
        return result;
    result.outcome = LoginResult::Outcome::WrongCredentials;
    return result;
}

std::optional<Caller> ConsoleAuth::sessionCaller(const QString& sessionToken, const QDateTime& now,
                                                 QString* error) {
    if (sessionToken.isEmpty())
        return std::nullopt;
    const auto session = m_accounts.session(secrets::secretDigest(sessionToken), now, error);
    if (!session)
        return std::nullopt;
    return Caller{session->operatorName, session->role, session->csrfToken};
}

std::optional<Caller> ConsoleAuth::tokenCaller(const QString& bearerToken, QString* error) {
    if (bearerToken.isEmpty())
        return std::nullopt;
    const auto token = m_accounts.token(secrets::secretDigest(bearerToken), error);
    if (!token)
        return std::nullopt;
    return Caller{QStringLiteral("token:") + token->name, token->role, {}};
}

bool ConsoleAuth::logout(const QString& sessionToken, QString* error) {
    return m_accounts.deleteSession(secrets::secretDigest(sessionToken), error);
}

bool ConsoleAuth::addOperator(const QString& name, Role role, const QString& password, const QDateTime& now,
                              QString* error) {
    *error = operatorNameProblem(name);
    if (error->isEmpty())
        *error = passwordProblem(password);
    if (!error->isEmpty())
        return false;
    const QString hash = secrets::passwordHash(password);
    if (hash.isEmpty()) {
        *error = QStringLiteral("the password could not be hashed (out of memory)");
        return false;
    }
    return m_accounts.saveOperator(name, role, hash, now, error);
}

std::optional<QString> ConsoleAuth::addToken(const QString& name, Role role, const QDateTime& now,
                                             QString* error) {
    *error = operatorNameProblem(name);
    if (!error->isEmpty())
        return std::nullopt;
    const QString token = secrets::newSecret();
    if (!m_accounts.saveToken(name, role, secrets::secretDigest(token), now, error))
        return std::nullopt;
    return token;
}

} // namespace server
