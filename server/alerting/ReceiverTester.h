#pragma once

#include "store/ReceiverStore.h"

#include <chrono>
#include <QNetworkAccessManager>
#include <QObject>

namespace server {

// Sends a receiver one signed test delivery when an admin asks, without waiting for it: the receiver's
// answer (status and the start of its body) or why none came is stored with the receiver, where the
// console reads it.
class ReceiverTester : public QObject {
    Q_OBJECT
public:
    explicit ReceiverTester(ServerStore& store) : m_receivers(store) {}

    void setTimeout(std::chrono::milliseconds timeout) { m_timeout = timeout; }
    void test(const ConsoleReceiver& receiver);

    static constexpr qsizetype kLongestAnswer = 200;

private:
    void answered(qint64 receiver, QNetworkReply* reply);

    ReceiverStore m_receivers;
    QNetworkAccessManager m_network;
    std::chrono::milliseconds m_timeout{std::chrono::seconds(10)};
};

} // namespace server
