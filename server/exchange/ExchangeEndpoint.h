#pragma once

#include "auth/AgentGate.h"
#include "domain/ServerClock.h"
#include "exchange/FormFields.h"
#include "http/ClientAddress.h"
#include "store/ServerStore.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>

namespace server {

// The agents' one endpoint: a form body holding servercode alone asks for that computer's settings; a
// form holding the 67 report keys is a status report. Both speak for a computer only with its key.
class ExchangeEndpoint {
public:
    ExchangeEndpoint(ServerStore& store, AgentGate& gate, Clock clock);

    QHttpServerResponse answer(const QHttpServerRequest& request);

    // The front servers whose X-Forwarded-For names the agent's address (for the enrolment rate limit).
    void setTrustedProxies(const TrustedProxies& proxies) { m_trustedProxies = proxies; }

private:
    QHttpServerResponse answerSettingsRequest(const QString& rawName, const QHttpServerRequest& request);
    QHttpServerResponse answerAdmitted(const QString& computer, const Admission& admission,
                                       const QHttpServerRequest& request);
    QHttpServerResponse answerStatusReport(const FormFields& form, const QHttpServerRequest& request);

    ServerStore& m_store;
    AgentGate& m_gate;
    Clock m_clock;
    TrustedProxies m_trustedProxies;
};

} // namespace server
