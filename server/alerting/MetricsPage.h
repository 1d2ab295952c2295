#pragma once

#include "alerting/ComputerLines.h"
#include "store/MetricsStore.h"

#include <functional>
#include <optional>
#include <QHttpServerResponder>
#include <QPointer>
#include <QTcpSocket>

namespace server {

// The /metrics page, framed as HTTP chunks. The format wants each metric family whole, and reading the
// fleet once per family would cost ten reads: so the fleet is read once, a page of computers per turn of
// the event loop, into each family's text (see ComputerLines for what that holds); then the families are
// written as the connection takes them, each let go once written. It writes to the connection itself:
// Qt's responder reads a device 512 bytes per turn of the event loop, which cost more than the whole page.
// It is gathered on the main thread, where the store is, and then moves to the connection's to be written.
class MetricsPage : public QObject {
    Q_OBJECT
public:
    // `serverFamilies`: the server's own metrics, already written.
    MetricsPage(ServerStore& store, const QDateTime& now, QByteArray serverFamilies);

    static constexpr int kComputersPerPage = 1000;

    // Reads the fleet, the first page now and one more each turn, then tells `gathered` whether it could:
    // nothing is written before, so a database that cannot be read is answered 500.
    void gather(std::function<void(const Result<>&)> gathered);

    // Once gathered: answers on the responder's connection, then deletes itself (also when the connection
    // goes first). On the connection's thread.
    void send(QHttpServerResponder&& responder);

private:
    Result<> gatherPage();
    void gatherNext();
    void writeMore();
    void writeChunk(QByteArrayView text);
    void finish();

    MetricsStore m_store;
    QDateTime m_now;
    QByteArray m_serverFamilies;
    ComputerLines m_lines;
    std::function<void(const Result<>&)> m_gathered;
    std::optional<QHttpServerResponder> m_responder;
    QPointer<QTcpSocket> m_socket;
    bool m_gathering = true;
    QString m_after; // the last computer of the page before
    size_t m_family = 0;
    qsizetype m_familySent = 0; // of the family's text
};

} // namespace server
