#include "modules/AgentKey.h"

#include "AgentKeyHash.h"
#include "platform/ExecutableFolder.h"
#include "platform/PrivateFile.h"
#include "WireFormat.h"

#include <algorithm>
#include <cctype>
#include <QFile>
#include <QSaveFile>

namespace mdlGeneral {

namespace {

constexpr qsizetype kIssuedKeyDigits = 64; // the server's 32 random bytes in hexadecimal

// Anything else in the header would be stored and sent back on every request, control bytes included.
bool isIssuedKeyForm(const QByteArray& key) {
    return key.size() == kIssuedKeyDigits && std::all_of(key.begin(), key.end(), [](char c) {
               return std::isxdigit(static_cast<unsigned char>(c));
           });
}

} // namespace

QString agentKeyFilePath() {
    return platform::executableFolder() + QStringLiteral("/kova.key");
}

QString readAgentKey() {
    QFile file(agentKeyFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromLatin1(file.readAll()).trimmed();
}

// The temporary file is made private before the key goes in, so that on POSIX no other user can read it at
// any moment; Windows keeps no such mode, so there the whole file gets its own access list once it is in
// place.
Result<> writeAgentKey(const QString& key) {
    QSaveFile file(agentKeyFilePath());
    const bool written = file.open(QIODevice::WriteOnly) &&
                         file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner) &&
                         file.write(key.toLatin1()) == key.size() && file.commit();
    if (!written)
        return Failure{file.errorString()};
    return platform::makePrivate(agentKeyFilePath());
}

Result<AgentKeyStanding> agentKeyOrNew() {
    if (const QString stored = readAgentKey(); !stored.isEmpty())
        return AgentKeyStanding{stored, false};
    const QString made = wire::newAgentKey();
    if (auto written = writeAgentKey(made); !written)
        return Failure{written.reason()};
    return AgentKeyStanding{made, true};
}

QString agentKeyFingerprintText() {
    const QString key = readAgentKey();
    if (key.isEmpty())
        return QStringLiteral("No key yet: it is made at the first contact with the KOVA Server.");
    return QStringLiteral("Key fingerprint: ") + wire::keyFingerprint(wire::agentKeyHash(key));
}

void presentAgentKey(platform::TransferChannel& channel, const QString& key) {
    channel.standingHeaders.clear();
    if (!key.isEmpty())
        channel.standingHeaders.append({QByteArrayLiteral("Authorization"), "Bearer " + key.toLatin1()});
}

Result<> keepIssuedAgentKey(const platform::TransferChannel& channel) {
    const QByteArray issued = channel.replyHeader(QByteArray(wire::kAgentKeyHeader)).trimmed();
    if (issued.isEmpty())
        return Result<>::success();
    if (!isIssuedKeyForm(issued))
        return Failure{QStringLiteral("it is not %1 hexadecimal digits").arg(kIssuedKeyDigits)};
    return writeAgentKey(QString::fromLatin1(issued));
}

} // namespace mdlGeneral
