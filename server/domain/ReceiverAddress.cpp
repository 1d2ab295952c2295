#include "domain/ReceiverAddress.h"

#include <QUrl>

namespace server {

Result<QString> receiverAddress(const QString& text, const QString& source) {
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return Failure{QStringLiteral("%1 needs an http or https URL, not \"%2\"").arg(source, text)};
    return url.toString();
}

} // namespace server
