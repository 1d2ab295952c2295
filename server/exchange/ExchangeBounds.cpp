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

QString uncleanTextReason(const QByteArray& bytes) {
    if (bytes.contains('\0'))
        return QStringLiteral("holds a NUL character");
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QStringLiteral("is not valid UTF-8") : QString();
}

QString badNameReason(const QString& name) {
    if (name.size() > kMaxNameLength)
        return QStringLiteral("is longer than %1 characters").arg(kMaxNameLength);
    if (hasControlCharacter(name))
        return QStringLiteral("holds a control character");
    return {};
}

QString badReportValueReason(const FormFields& form) {
    for (const QString& key : wire::reportKeys()) {
        const QByteArray decoded = wire::percentDecodedBytes(form.raw(key));
        QString reason = uncleanTextReason(decoded);
        if (reason.isEmpty() && QString::fromUtf8(decoded).size() > lengthLimit(key))
            reason = QStringLiteral("is longer than %1 characters").arg(lengthLimit(key));
        if (!reason.isEmpty())
            return QStringLiteral("The value of %1 %2.").arg(key, reason);
    }
    return {};
}

} // namespace server
