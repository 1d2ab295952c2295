#include "exchange/ExchangeEndpoint.h"

#include "DateTimeText.h"
#include "domain/ServerClock.h"
#include "domain/SettingsAuthority.h"
#include "exchange/ExchangeBounds.h"
#include "exchange/ReportForm.h"
#include "FormBytes.h"
#include "http/TextReply.h"
#include "WireFormat.h"

#include <QDebug>

namespace server {
namespace {

const QByteArray kServerCodePrefix = QByteArrayLiteral("servercode=");

QHttpServerResponse badRequest(const QString& reason) {
    return textReply(reason, Status::BadRequest);
}

// Any failure of a settings request answers an empty body: an agent would take an error text for
// settings pieces, while an empty reply makes it report a failed download and keep its settings.
QHttpServerResponse emptySettingsReply(Status status) {
    QHttpServerResponse response = textReply(QString(), status);
    if (status == Status::Unauthorized)
        response.setHeader(QByteArrayLiteral("WWW-Authenticate"), QByteArrayLiteral("Bearer"));
    return response;
}

QHttpServerResponse storeFailure(const QString& error) {
    return textReply(QStringLiteral("Report could not be stored: %1").arg(error),
                     Status::InternalServerError);
}

QHttpServerResponse settingsFailure(const QString& computer, const QString& reason) {
    qWarning().noquote() << "settings for" << computer << "could not be read:" << reason;
    return emptySettingsReply(Status::InternalServerError);
}

} // namespace

ExchangeEndpoint::ExchangeEndpoint(ServerStore& store, AgentGate& gate) : m_store(store), m_gate(gate) {}

// A report lost with its group's commit no longer counts against the next one's interval, so the agent's
// next report is taken. Settings read while a group is open may be what that group wrote, so they are lost
// with it even when the download itself wrote nothing.
ExchangeAnswer ExchangeEndpoint::answer(const ExchangeRequest& request) {
    const ServerStore::Grouping grouping(m_store);
    const int writesBefore = m_store.groupSize();
    const bool settingsRequest = request.body.startsWith(kServerCodePrefix);
    m_storedBefore.reset();
    ExchangeAnswer answered{answerRequest(request), {}};
    if (m_store.groupSize() > writesBefore || (settingsRequest && m_store.groupOpen())) {
        if (settingsRequest) {
            const QString computer = QString::fromUtf8(wire::decodedFormBytes(
                QByteArrayView(request.body).sliced(kServerCodePrefix.size()), wire::Blanks::None));
            answered.ifLost = [computer](const QString& reason) { return settingsFailure(computer, reason); };
        } else {
            answered.ifLost = [this, storedBefore = m_storedBefore](const QString& reason) {
                if (storedBefore)
                    m_lastStored[storedBefore->first] = storedBefore->second;
                return storeFailure(reason);
            };
        }
    }
    return answered;
}

// Anything that starts with "servercode=" is a settings request, and everything after it is the name: an
// agent sends the name unescaped, so a raw "&" or "+" in it is part of the name. Every refusal of a
// settings request has an empty body, which an agent takes for a failed download.
QHttpServerResponse ExchangeEndpoint::answerRequest(const ExchangeRequest& request) {
    if (request.method != HttpMethod::Post)
        return methodNotAllowed(QByteArrayLiteral("POST"));
    const QByteArray& body = request.body;
    const bool settingsRequest = body.startsWith(kServerCodePrefix);
    const auto refuse = [settingsRequest](Status status, const QString& reason) {
        return settingsRequest ? emptySettingsReply(status) : textReply(reason, status);
    };
    if (!request.formBody)
        return refuse(Status::BadRequest,
                      QStringLiteral("Expected Content-Type: application/x-www-form-urlencoded."));
    if (const auto clean = checkCleanText(body); !clean)
        return refuse(Status::BadRequest, QStringLiteral("The request body %1.").arg(clean.reason()));
    if (settingsRequest)
        return answerSettingsRequest(QByteArrayView(body).sliced(kServerCodePrefix.size()), request);
    const auto form = FormFields::parse(body);
    if (!form)
        return badRequest(form.reason());
    if (!form->contains("sComputerName"))
        return badRequest(QStringLiteral("The body is neither a settings request (servercode alone) "
                                         "nor a status report."));
    return answerStatusReport(*form, request);
}

QHttpServerResponse ExchangeEndpoint::answerSettingsRequest(QByteArrayView rawName,
                                                            const ExchangeRequest& request) {
    const QByteArray decoded = wire::decodedFormBytes(rawName, wire::Blanks::None);
    const QString computer = QString::fromUtf8(decoded);
    if (computer.isEmpty())
        return textReply(QString());
    if (!checkCleanText(decoded) || !checkComputerName(computer))
        return emptySettingsReply(Status::BadRequest);
    const auto admission =
        m_gate.admitSettingsRequest(computer, request.key, request.clientAddress.toString());
    if (!admission) {
        qWarning().noquote() << "enrolment of" << computer << "could not be read:" << admission.reason();
        return emptySettingsReply(Status::InternalServerError);
    }
    switch (admission->verdict) {
    case Admission::Verdict::Pass:
    case Admission::Verdict::TakeKey:
    case Admission::Verdict::IssueKey:
        return answerAdmitted(computer, *admission, request);
    case Admission::Verdict::Pending:
        return emptySettingsReply(Status::Ok);
    case Admission::Verdict::Closed:
        return emptySettingsReply(Status::Forbidden);
    case Admission::Verdict::TooManyNewNames:
        return emptySettingsReply(Status::TooManyRequests);
    case Admission::Verdict::Unauthorised:
        break;
    }
    return emptySettingsReply(Status::Unauthorized);
}

// The settings are registered before the key is issued or taken: a key only ever enrols with a reply that
// also carries the settings.
QHttpServerResponse ExchangeEndpoint::answerAdmitted(const QString& computer, const Admission& admission,
                                                     const ExchangeRequest& request) {
    const QDateTime now = currentTime();
    const auto settings = m_store.downloadSettings(
        computer, [&now] { return SettingsRecord::defaults(now); }, now);
    if (!settings)
        return settingsFailure(computer, settings.reason());
    if (admission.verdict == Admission::Verdict::TakeKey) {
        if (const auto taken = m_gate.takeKey(computer, request.key, request.clientAddress.toString());
            !taken)
            return settingsFailure(computer, taken.reason());
    }
    std::optional<QString> key;
    if (admission.verdict == Admission::Verdict::IssueKey) {
        const auto issued = m_gate.issueKey(computer, request.clientAddress.toString());
        if (!issued)
            return settingsFailure(computer, issued.reason());
        key = *issued;
    }
    QHttpServerResponse response = textReply(settings->reply());
    if (key)
        response.setHeader(QByteArray(wire::kAgentKeyHeader), key->toLatin1());
    return response;
}

QHttpServerResponse ExchangeEndpoint::answerStatusReport(const FormFields& form,
                                                         const ExchangeRequest& request) {
    const auto report = readStatusReport(form);
    if (!report)
        return badRequest(report.reason());
    if (const auto name = checkComputerName(report->computerName()); !name)
        return badRequest(QStringLiteral("The computer name %1.").arg(name.reason()));
    const auto admission = m_gate.admitReport(report->computerName(), request.key);
    if (!admission)
        return textReply(QStringLiteral("Report could not be checked: %1").arg(admission.reason()),
                         Status::InternalServerError);
    if (admission->verdict != Admission::Verdict::Pass)
        return textReply(QStringLiteral("Report refused: %1 is not enrolled here or the report did not "
                                        "carry its key. Nothing of this report was stored.")
                             .arg(report->computerName()),
                         Status::Unauthorized);
    if (const auto carriable = report->settings().checkCarriable(); !carriable)
        return textReply(
            QStringLiteral("Report refused: %1, which the settings reply cannot carry. Nothing of "
                           "this report was stored.")
                .arg(carriable.reason()),
            Status::UnprocessableEntity);
    const QDateTime now = currentTime();
    if (auto tooSoon = refuseTooSoon(report->computerName(), now))
        return std::move(*tooSoon);
    const auto current = m_store.readSettings(report->computerName());
    if (!current)
        return storeFailure(current.reason());
    const auto held = m_store.heldByOperator(report->computerName());
    if (!held)
        return storeFailure(held.reason());
    // The defaults only for a computer never registered: making them costs a date written out.
    const SettingsMerge merge = mergeReportedSettings(
        current->has_value() ? **current : SettingsRecord::defaults(now), *report, *held, now);
    logRefusedSettings(report->computerName(), merge.refused);
    const auto settings = current->has_value() && merge.changes.isEmpty()
                              ? ServerStore::ReportedSettings::AlreadyHeld
                              : ServerStore::ReportedSettings::Take;
    if (const auto stored =
            m_store.storeReport(report->withSettings(merge.settings), now, merge.changes, settings);
        !stored)
        return storeFailure(stored.reason());
    auto& stored = m_lastStored[report->computerName()];
    m_storedBefore.emplace(report->computerName(), stored);
    stored = {stored[1], now};
    return textReply(
        QStringLiteral("Report received for %1 at %2.").arg(report->computerName(), wire::dateTimeText(now)));
}

// An agent reports once a cycle, 36 seconds apart at the least, and twice in one cycle on the day it
// updates (the second report carries its next update day) or after an alert reset. So two reports in the
// interval are taken and a third refused: one leaked key cannot fill the database. Held per instance;
// settings requests are not held back.
std::optional<QHttpServerResponse> ExchangeEndpoint::refuseTooSoon(const QString& computer,
                                                                   const QDateTime& now) {
    const auto stored = m_lastStored.constFind(computer);
    const QDateTime* last = stored == m_lastStored.constEnd() ? nullptr : &(*stored)[0];
    if (!last || !last->isValid() || last->secsTo(now) >= m_reportInterval || *last > now)
        return std::nullopt;
    m_store.countReportTooSoon();
    QHttpServerResponse refused = textReply(
        QStringLiteral("Report refused: the last report of %1 arrived less than %2 seconds ago. Nothing of "
                       "this report was stored; send the next one after %3.")
            .arg(computer)
            .arg(m_reportInterval)
            .arg(wire::dateTimeText(last->addSecs(m_reportInterval))),
        Status::TooManyRequests);
    refused.setHeader(QByteArrayLiteral("Retry-After"),
                      QByteArray::number(m_reportInterval - last->secsTo(now)));
    return refused;
}

void ExchangeEndpoint::logRefusedSettings(const QString& computer, const QMap<QString, QString>& refused) {
    for (auto it = refused.begin(); it != refused.end(); ++it)
        qInfo().noquote() << "report of" << computer << "would have changed" << it.key()
                          << "- the server's value stands:" << it.value();
}

} // namespace server
