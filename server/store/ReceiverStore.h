#pragma once

#include "store/ServerStore.h"

#include <optional>

namespace server {

// A webhook receiver an admin added in the console. Its secret signs what it is sent, so it is kept as
// given; it never leaves the server in an answer.
struct ConsoleReceiver {
    qint64 id = 0;
    QString url;
    QByteArray secret;
    bool enabled = true;
    QString addedBy;
    QDateTime addedAt;
    QDateTime testedAt; // invalid: never tested
    QString testAnswer; // what the receiver answered to the latest test delivery
};

class ReceiverStore {
public:
    explicit ReceiverStore(ServerStore& store) : m_store(store) {}

    // Oldest first.
    Result<QList<ConsoleReceiver>> receivers();
    Result<std::optional<ConsoleReceiver>> receiver(qint64 id);
    // Inside the caller's transaction, with its audit row.
    Result<qint64> add(const ConsoleReceiver& receiver);
    Result<> disable(qint64 id);
    Result<> recordTest(qint64 id, const QDateTime& at, const QString& answer);

private:
    Result<QList<ConsoleReceiver>> select(const QString& where, const QVariantList& values);

    ServerStore& m_store;
};

} // namespace server
