#include "auth/ConsoleAuth.h"

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

Result<> checkLoginFields(const QString& name, const QString& password) {
    if (auto named = checkOperatorName(name); !named)
        return named;
    if (password.size() > kLongestPassword)
        return Failure{QStringLiteral("a password has at most %1 characters").arg(kLongestPassword)};
    return Result<>::success();
}

ConsoleAuth::LoginResult ConsoleAuth::login(const QString& name, const QString& password,
                                            const QString& address, const QDateTime& now) {
    LoginResult result;
    if (auto fit = checkLoginFields(name, password); !fit) {
        result.outcome = LoginResult::Outcome::Unfit;
        result.error = fit.reason();
        return result;
    }
    const auto recent = recentFailures(name, address, now);
    if (!recent) {
        result.error = recent.reason();
        return result;
    }
    if (const qint64 wait = loginWaitSeconds(*recent, now); wait > 0) {
        result.outcome = LoginResult::Outcome::MustWait;
        result.waitSeconds = wait;
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
        return failedLogin(name, address, *recent, now);
    return loggedIn(name, *login, address, now);
}

Result<RecentFailures> ConsoleAuth::recentFailures(const QString& name, const QString& address,
                                                   const QDateTime& now) {
    const auto fromAddress = m_accounts.failuresFrom(address, now.addSecs(-kAddressWindowSeconds));
    if (!fromAddress)
        return Failure{fromAddress.reason()};
    const auto ofName = m_accounts.failuresOf(name, address, now.addSecs(-kNameWindowSeconds));
    if (!ofName)
        return Failure{ofName.reason()};
    return RecentFailures{*fromAddress, *ofName};
}

ConsoleAuth::LoginResult ConsoleAuth::failedLogin(const QString& name, const QString& address,
                                                  const RecentFailures& earlier, const QDateTime& now) {
    LoginResult result;
    if (auto saved = m_accounts.addFailure(name, address, now); !saved) {
        result.error = saved.reason();
        return result;
    }
    result.outcome = LoginResult::Outcome::WrongCredentials;
    result.waitSeconds = loginWaitSeconds(earlier.adding(now), now);
    return result;
}

ConsoleAuth::LoginResult ConsoleAuth::loggedIn(const QString& name, const AccountStore::Login& login,
                                               const QString& address, const QDateTime& now) {
    LoginResult result;
    const auto unseen = m_accounts.failuresOf(name, login.lastLoginAt);
    if (!unseen) {
        result.error = unseen.reason();
        return result;
    }
    const QString token = secrets::newSecret();
    const Caller caller{name, login.role, secrets::newSecret(), *unseen};
    if (auto saved = m_accounts.saveLogin({secrets::secretDigest(token), name, caller.csrfToken, now,
                                           now.addSecs(kSessionSeconds), address, *unseen});
        !saved) {
        result.error = saved.reason();
        return result;
    }
    result.outcome = LoginResult::Outcome::LoggedIn;
    result.caller = caller;
    result.sessionToken = token;
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
    return std::optional(Caller{(*session)->operatorName, (*session)->role, (*session)->csrfToken,
                                (*session)->failuresBefore});
}

Result<std::optional<Caller>> ConsoleAuth::tokenCaller(const QString& bearerToken) {
    if (bearerToken.isEmpty())
        return std::optional<Caller>();
    const auto token = m_accounts.token(secrets::secretDigest(bearerToken));
    if (!token)
        return Failure{token.reason()};
    if (!*token)
        return std::optional<Caller>();
    return std::optional(Caller{QStringLiteral("token:") + (*token)->name, (*token)->role, {}, {}});
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
