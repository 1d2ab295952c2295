#include "exchange/ExchangeEndpoint.h"

#include "exchange/DateTimeText.h"
#include "exchange/ReportForm.h"
#include "http/TextReply.h"
#include "WireFormat.h"

#include <QDebug>

namespace server {
namespace {

const QString kServerCodeKey = QStringLiteral("servercode");

bool isFormBody(const QHttpServerRequest& request) {
    for (const auto& [name, value] : request.headers()) {
        if (name.compare("Content-Type", Qt::CaseInsensitive) == 0) {
            const QByteArray mime = value.split(';').first().trimmed();
            return mime.compare("application/x-www-form-urlencoded", Qt::CaseInsensitive) == 0;
        }
    }
    return false;
}

QHttpServerResponse badRequest(const QString& reason) {
    return textReply(reason, Status::BadRequest);
}

} // namespace

ExchangeEndpoint::ExchangeEndpoint(ServerStore& store, Clock clock)
    : m_store(store), m_clock(std::move(clock)) {}

QHttpServerResponse ExchangeEndpoint::answer(const QHttpServerRequest& request) {
    if (request.method() != QHttpServerRequest::Method::Post)
        return methodNotAllowed(QByteArrayLiteral("POST"));
    if (!isFormBody(request))
        return badRequest(QStringLiteral("Expected Content-Type: application/x-www-form-urlencoded."));
    QString error;
    const auto form = FormFields::parse(QString::fromUtf8(request.body()), &error);
    if (!form)
        return badRequest(error);
    if (form->keys() == QStringList{kServerCodeKey})
        return answerSettingsRequest(form->raw(kServerCodeKey));
    if (form->contains(kServerCodeKey) || !form->contains(QStringLiteral("sComputerName")))
        return badRequest(QStringLiteral("The body is neither a settings request (servercode alone) "
                                         "nor a status report."));
    return answerStatusReport(*form);
}

// Any failure here answers an empty body: an agent would take an error text for settings pieces, while an
// empty reply makes it report a failed download and keep its settings.
QHttpServerResponse ExchangeEndpoint::answerSettingsRequest(const QString& encodedName) {
    const QString computer = wire::decodeServerCode(encodedName);
    if (computer.isEmpty())
        return textReply(QString());
    const QDateTime now = m_clock();
    QString error;
    const auto settings = m_store.settingsOrRegister(computer, SettingsRecord::defaults(now), now, &error);
    if (!settings) {
        qWarning().noquote() << "settings for" << computer << "could not be read:" << error;
        return textReply(QString(), Status::InternalServerError);
    }
    return textReply(settings->reply());
}

QHttpServerResponse ExchangeEndpoint::answerStatusReport(const FormFields& form) {
    QString error;
    const auto report = readStatusReport(form, &error);
    if (!report)
        return badRequest(error);
    const QString uncarriable = report->settings().uncarriableReason();
    if (!uncarriable.isEmpty())
        return textReply(
            QStringLiteral("Report refused: %1, which the settings reply cannot carry. Nothing of "
                           "this report was stored.")
                .arg(uncarriable),
            Status::UnprocessableEntity);
    const QDateTime now = m_clock();
    if (!m_store.storeReport(*report, now, &error))
        return textReply(QStringLiteral("Report could not be stored: %1").arg(error),
                         Status::InternalServerError);
    return textReply(QStringLiteral("Report received for %1 at %2.")
                         .arg(report->computerName(), generalDateTimeText(now)));
}

} // namespace server
