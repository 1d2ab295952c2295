#pragma once

#include "auth/AgentGate.h"
#include "exchange/FormFields.h"
#include "http/ExchangeRequest.h"
#include "store/ServerStore.h"

#include <array>
#include <optional>
#include <QHash>
#include <QHttpServerResponse>

namespace server {

// The agents' one endpoint: a form body holding servercode alone asks for that computer's settings; a
// form holding the 67 report keys is a status report. Both speak for a computer only with its key.
class ExchangeEndpoint {
public:
    ExchangeEndpoint(ServerStore& store, AgentGate& gate);

    QHttpServerResponse answer(const ExchangeRequest& request);

    // A computer's reports are stored at most once in this many seconds; one sooner is answered 429.
    void setReportInterval(qint64 seconds) { m_reportInterval = seconds; }

private:
    QHttpServerResponse answerSettingsRequest(QByteArrayView rawName, const ExchangeRequest& request);
    QHttpServerResponse answerAdmitted(const QString& computer, const Admission& admission,
                                       const ExchangeRequest& request);
    QHttpServerResponse answerStatusReport(const FormFields& form, const ExchangeRequest& request);
    std::optional<QHttpServerResponse> refuseTooSoon(const QString& computer, const QDateTime& now);
    static void logRefusedSettings(const QString& computer, const QMap<QString, QString>& refused);

    ServerStore& m_store;
    AgentGate& m_gate;
    qint64 m_reportInterval = 10;
    QHash<QString, std::array<QDateTime, 2>> m_lastStored; // each computer's two latest stored reports
};

} // namespace server
