#pragma once

#include "auth/AgentGate.h"
#include "exchange/FormFields.h"
#include "http/ExchangeRequest.h"
#include "store/ServerStore.h"

#include <QHttpServerResponse>

namespace server {

// The agents' one endpoint: a form body holding servercode alone asks for that computer's settings; a
// form holding the 67 report keys is a status report. Both speak for a computer only with its key.
class ExchangeEndpoint {
public:
    ExchangeEndpoint(ServerStore& store, AgentGate& gate);

    QHttpServerResponse answer(const ExchangeRequest& request);

private:
    QHttpServerResponse answerSettingsRequest(const QString& rawName, const ExchangeRequest& request);
    QHttpServerResponse answerAdmitted(const QString& computer, const Admission& admission,
                                       const ExchangeRequest& request);
    QHttpServerResponse answerStatusReport(const FormFields& form, const ExchangeRequest& request);

    ServerStore& m_store;
    AgentGate& m_gate;
};

} // namespace server
