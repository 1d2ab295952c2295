#pragma once

#include "modules/AgentState.h"
#include "modules/AgentView.h"
#include "modules/StatusLog.h"
#include "platform/TransferChannel.h"

#include <QString>

// The two exchanges with the central server, each on its own transfer channel: the settings download and
// the status report. A call while the same exchange still runs returns at once.
class ServerExchange {
public:
    ServerExchange(AgentState& state, StatusLog& log, AgentView& view, const QString& serverUrl);

    // Stores the settings when a 2xx answer brings all of them readable and clears NoInternet; otherwise
    // changes no setting, logs why and sets NoInternet.
    void ReceiveWWWSQL();
    // True when the central server accepted the report (a 2xx answer with text); a refusal is logged with the
    // status and the server's text.
    bool SendWWWSQL();
    // First-run setup tells the server the typed name on the settings channel; the reply is not read.
    void announceName(const QString& name);
    // Where the settings download goes; the report keeps its address.
    void setSettingsUrl(const QString& url) { InetReceive.URL = url; }

private:
    void post(platform::TransferChannel& channel, const QString& body);

    AgentState& state;
    StatusLog& log;
    AgentView& view;
    platform::TransferChannel InetReceive;
    platform::TransferChannel InetMessages;
};
