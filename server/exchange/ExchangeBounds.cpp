#include "exchange/ExchangeBounds.h"

namespace server {
namespace {

int lengthLimit(const QString& key) {
    return key == QLatin1String("sMessage") || key == QLatin1String("sLastMessageDate") ? kMaxMessageLength
                                                                                        : kMaxValueLength;
}

bool hasControlCharacter(const QString& text) {
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

} // namespace

// Validated without decoding: a report's body is checked whole and then each of its values.
Result<> checkCleanText(QByteArrayView bytes) {
    if (bytes.contains('\0'))
        return Failure{QStringLiteral("holds a NUL character")};
    if (!bytes.isValidUtf8())
        return Failure{QStringLiteral("is not valid UTF-8")};
    return Result<>::success();
}

Result<> checkComputerName(const QString& name) {
    if (name.size() > kMaxNameLength)
        return Failure{QStringLiteral("is longer than %1 characters").arg(kMaxNameLength)};
    if (hasControlCharacter(name))
        return Failure{QStringLiteral("holds a control character")};
    return Result<>::success();
}

Result<> checkReportValue(const QString& key, QByteArrayView decoded, const QString& text) {
    auto clean = checkCleanText(decoded);
    if (clean && text.size() > lengthLimit(key))
        clean = Failure{QStringLiteral("is longer than %1 characters").arg(lengthLimit(key))};
    if (!clean)
        return Failure{QStringLiteral("The value of %1 %2.").arg(key, clean.reason())};
    return Result<>::success();
}

} // namespace server
