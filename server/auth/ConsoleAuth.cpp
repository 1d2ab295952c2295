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
    // Without the memory for a hash, the check fails at once; so would the operator's own check.
    static const QString hash = secrets::passwordHash(secrets::newSecret()).value_or(QString());
    return hash;
}

bool hasControlCharacter(const QString& text) {
    return std::any_of(text.begin(), text.end(),
                       [](QChar c) { return c.category() == QChar::Other_Control; });
}

} // namespace

Result<> checkOperatorName(const QString& name) {
    if (name.isEmpty() || name.size() > kLongestName)
        return Failure{QStringLiteral("a name has 1 to %1 characters").arg(kLongestName)};
    if (hasControlCharacter(name))
        return Failure{QStringLiteral("a name holds no control characters")};
    return Result<>::success();
}

Result<> checkPassword(const QString& password) {
    if (password.size() < kShortestPassword || password.size() > kLongestPassword)
        return Failure{QStringLiteral("a password has %1 to %2 characters")
                           .arg(kShortestPassword)
                           .arg(kLongestPassword)};
    return Result<>::success();
}

ConsoleAuth::LoginResult ConsoleAuth::login(const QString& name, const QString& password,
                                            const QDateTime& now) {
    LoginResult result;
    const auto failures = m_accounts.failures(name);
    if (!failures) {
        result.error = failures.reason();
        return result;
    }
    if (failures->nextTryAt.isValid() && now < failures->nextTryAt) {
        result.outcome = LoginResult::Outcome::MustWait;
        result.waitSeconds = std::max<qint64>(1, (now.msecsTo(failures->nextTryAt) + 999) / 1000);
        return result;
    }
    const auto found = m_accounts.login(name);
    if (!found) {
        result.error = found.reason();
        return result;
    }
    const std::optional<AccountStore::Login>& login = *found;
    const bool matches = secrets::passwordMatches(password, login ? login->passwordHash : decoyHash());
    if (!login || !matches)
        return failedLogin(name, failures->count, now);

    const QString token = secrets::newSecret();
    const Caller caller{name, login->role, secrets::newSecret()};
    auto saved = m_accounts.clearFailures(name);
    if (saved)
        saved = m_accounts.saveSession(secrets::secretDigest(token), name, caller.csrfToken, now,
                                       now.addSecs(kSessionSeconds));
    if (!saved) {
        result.error = saved.reason();
        return result;
    }
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
    if (auto saved = m_accounts.saveFailures(name, failures); !saved) {
        result.error = saved.reason();
        return result;
    }
    result.outcome = LoginResult::Outcome::WrongCredentials;
    return result;
}

Result<std::optional<Caller>> ConsoleAuth::sessionCaller(const QString& sessionToken, const QDateTime& now) {
    if (sessionToken.isEmpty())
        return std::optional<Caller>();
    const auto session = m_accounts.session(secrets::secretDigest(sessionToken), now);
    if (!session)
        return Failure{session.reason()};
    if (!*session)
        return std::optional<Caller>();
    return std::optional(Caller{(*session)->operatorName, (*session)->role, (*session)->csrfToken});
}

Result<std::optional<Caller>> ConsoleAuth::tokenCaller(const QString& bearerToken) {
    if (bearerToken.isEmpty())
        return std::optional<Caller>();
    const auto token = m_accounts.token(secrets::secretDigest(bearerToken));
    if (!token)
        return Failure{token.reason()};
    if (!*token)
        return std::optional<Caller>();
    return std::optional(Caller{QStringLiteral("token:") + (*token)->name, (*token)->role, {}});
}

Result<> ConsoleAuth::logout(const QString& sessionToken) {
    return m_accounts.deleteSession(secrets::secretDigest(sessionToken));
}

Result<> ConsoleAuth::addOperator(const QString& name, Role role, const QString& password,
                                  const QDateTime& now) {
    if (auto named = checkOperatorName(name); !named)
        return named;
    if (auto strong = checkPassword(password); !strong)
        return strong;
    const Result<QString> hash = secrets::passwordHash(password);
    if (!hash)
        return Failure{hash.reason()};
    return m_accounts.saveOperator(name, role, *hash, now);
}

Result<QString> ConsoleAuth::addToken(const QString& name, Role role, const QDateTime& now) {
    if (auto named = checkOperatorName(name); !named)
        return Failure{named.reason()};
    const QString token = secrets::newSecret();
    if (auto saved = m_accounts.saveToken(name, role, secrets::secretDigest(token), now); !saved)
        return Failure{saved.reason()};
    return token;
}

} // namespace server
