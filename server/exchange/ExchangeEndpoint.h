#pragma once

#include "auth/AgentGate.h"
#include "exchange/FormFields.h"
#include "http/ExchangeRequest.h"
#include "store/ServerStore.h"

#include <array>
#include <functional>
#include <optional>
#include <QHash>
#include <QHttpServerResponse>

namespace server {

// An exchange's answer, and (when the request wrote into the store's open group) the answer it becomes
// should that group's commit fail, given the database's reason.
struct ExchangeAnswer {
    QHttpServerResponse response;
    std::function<QHttpServerResponse(const QString& reason)> ifLost;
};

// The agents' one endpoint: a form body holding servercode alone asks for that computer's settings; a
// form holding the 67 report keys is a status report. Both speak for a computer only with its key. Their
// writes join the store's open group, so an answer must not be sent before ServerStore::settle().
class ExchangeEndpoint {
public:
    ExchangeEndpoint(ServerStore& store, AgentGate& gate);

    ExchangeAnswer answer(const ExchangeRequest& request);

    // A computer's reports are stored at most once in this many seconds; one sooner is answered 429.
    void setReportInterval(qint64 seconds) { m_reportInterval = seconds; }

private:
    QHttpServerResponse answerRequest(const ExchangeRequest& request);
    QHttpServerResponse answerSettingsRequest(QByteArrayView rawName, const ExchangeRequest& request);
    QHttpServerResponse answerAdmitted(const QString& computer, const Admission& admission,
                                       const ExchangeRequest& request);
    QHttpServerResponse answerStatusReport(const FormFields& form, const ExchangeRequest& request);
    std::optional<QHttpServerResponse> refuseTooSoon(const QString& computer, const QDateTime& now);
    static void logRefusedSettings(const QString& computer, const QMap<QString, QString>& refused);

    ServerStore& m_store;
    AgentGate& m_gate;
    qint64 m_reportInterval = 10;
    using LastStored = std::array<QDateTime, 2>;
    QHash<QString, LastStored> m_lastStored;                      // each computer's two latest stored reports
    std::optional<std::pair<QString, LastStored>> m_storedBefore; // what this report replaced there
};

} // namespace server
