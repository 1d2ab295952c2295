#include "platform/WholeReply.h"

#include <optional>
#include <QNetworkReply>

namespace platform {

namespace {

std::optional<qint64> declaredLength(const QNetworkReply& reply) {
    const QVariant length = reply.header(QNetworkRequest::ContentLengthHeader);
    return length.isValid() ? std::optional(length.toLongLong()) : std::nullopt;
}

} // namespace

Result<> checkHead(const QNetworkReply& reply, qint64 sizeBound) {
    const QByteArray encoding = reply.rawHeader("Content-Encoding").trimmed().toLower();
    if (!encoding.isEmpty() && encoding != "identity")
        return Failure{QStringLiteral("The answer is encoded (%1) though an unencoded one was asked for")
                           .arg(QString::fromLatin1(encoding))};
    if (const auto length = declaredLength(reply))
        return checkSize(*length, sizeBound);
    return Result<>::success();
}

Result<> checkLength(const QNetworkReply& reply, qint64 received) {
    const auto length = declaredLength(reply);
    if (!length || *length == received)
        return Result<>::success();
    return Failure{QStringLiteral("The answer broke off: %1 of the %2 bytes announced arrived")
                       .arg(received)
                       .arg(*length)};
}

Result<> checkSize(qint64 received, qint64 sizeBound) {
    if (received <= sizeBound)
        return Result<>::success();
    return Failure{QStringLiteral("The answer is larger than %1 bytes").arg(sizeBound)};
}

} // namespace platform
