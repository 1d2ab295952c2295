#include "alerting/MetricsPage.h"

#include "alerting/MetricsText.h"

#include <QDebug>
#include <QTimer>

namespace server {
namespace {
constexpr qsizetype kChunk = 256 * 1024;
// Written ahead of what the connection took: enough to keep it busy, little enough that agents are
// answered between two writes.
constexpr qint64 kWrittenAhead = 1024 * 1024;
} // namespace

MetricsPage::MetricsPage(ServerStore& store, const QDateTime& now, QByteArray serverFamilies)
    : m_store(store), m_now(now), m_serverFamilies(std::move(serverFamilies)) {}

void MetricsPage::gather(std::function<void(const Result<>&)> gathered) {
    m_gathered = std::move(gathered);
    gatherNext();
}

void MetricsPage::send(QHttpServerResponder&& responder) {
    m_socket = responder.socket();
    responder.writeStatusLine(QHttpServerResponder::StatusCode::Ok);
    responder.writeHeaders({{"Content-Type", metrics::kContentType}, {"Transfer-Encoding", "chunked"}});
    m_responder.emplace(std::move(responder));
    writeChunk(std::exchange(m_serverFamilies, {}));
    connect(m_socket, &QObject::destroyed, this, &QObject::deleteLater);
    connect(m_socket, &QIODevice::bytesWritten, this, &MetricsPage::writeMore);
    writeMore();
}

Result<> MetricsPage::gatherPage() {
    const auto rows = m_store.page(m_after, kComputersPerPage, m_now);
    if (!rows)
        return Failure{rows.reason()};
    for (const MetricsRow& row : *rows)
        m_lines.add(row);
    m_gathering = rows->size() == kComputersPerPage;
    if (m_gathering)
        m_after = rows->last().name;
    return Result<>::success();
}

// One page of computers per turn of the event loop, so agents are answered in between. The last step is
// the caller's, who may delete or move this page.
void MetricsPage::gatherNext() {
    const auto done = gatherPage();
    if (!done || !m_gathering)
        return std::exchange(m_gathered, {})(done);
    QTimer::singleShot(0, this, &MetricsPage::gatherNext);
}

void MetricsPage::writeMore() {
    while (m_socket && m_socket->bytesToWrite() < kWrittenAhead) {
        if (m_family == ComputerLines::kFamilies) {
            m_responder->writeBody("0\r\n\r\n");
            return finish();
        }
        QByteArray& text = m_lines.family(m_family);
        const qsizetype size = std::min(kChunk, text.size() - m_familySent);
        writeChunk(QByteArrayView(text).sliced(m_familySent, size));
        m_familySent += size;
        if (m_familySent == text.size()) {
            text = QByteArray(); // written: its memory goes at once
            ++m_family;
            m_familySent = 0;
        }
    }
}

void MetricsPage::writeChunk(QByteArrayView text) {
    if (text.isEmpty())
        return; // an empty chunk would end the body
    m_responder->writeBody(QByteArray::number(text.size(), 16).append("\r\n").append(text).append("\r\n"));
}

void MetricsPage::finish() {
    if (m_socket)
        disconnect(m_socket, nullptr, this, nullptr);
    deleteLater();
}

} // namespace server
