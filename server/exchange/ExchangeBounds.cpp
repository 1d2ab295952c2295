#include "exchange/ExchangeBounds.h"

#include "FormBytes.h"
#include "WireFormat.h"

#include <QStringDecoder>

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

Result<> checkCleanText(const QByteArray& bytes) {
    if (bytes.contains('\0'))
        return Failure{QStringLiteral("holds a NUL character")};
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (utf8.hasError())
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

Result<> checkReportValues(const FormFields& form) {
    for (const QString& key : wire::reportKeys()) {
        const QByteArray decoded = wire::percentDecodedBytes(form.raw(key));
        auto clean = checkCleanText(decoded);
        if (clean && QString::fromUtf8(decoded).size() > lengthLimit(key))
            clean = Failure{QStringLiteral("is longer than %1 characters").arg(lengthLimit(key))};
        if (!clean)
            return Failure{QStringLiteral("The value of %1 %2.").arg(key, clean.reason())};
    }
    return Result<>::success();
}

} // namespace server
