#pragma once

#include "domain/ServerClock.h"
#include "exchange/FormFields.h"
#include "store/ServerStore.h"

#include <QHttpServerRequest>
#include <QHttpServerResponse>

namespace server {

// The agents' one endpoint: a form body holding servercode alone asks for that computer's settings; a
// form holding the 67 report keys is a status report.
class ExchangeEndpoint {
public:
    ExchangeEndpoint(ServerStore& store, Clock clock);

    QHttpServerResponse answer(const QHttpServerRequest& request);

private:
    QHttpServerResponse answerSettingsRequest(const QString& encodedName);
    QHttpServerResponse answerStatusReport(const FormFields& form);

    ServerStore& m_store;
    Clock m_clock;
};

} // namespace server
