#pragma once

#include "store/MetricsStore.h"

#include <QIODevice>

namespace server {

// The /metrics page as a device the HTTP layer reads from while it sends: the server's own families
// first, then each per-computer family, a page of computers at a time, framed as HTTP chunks. Nothing
// more than one page of text is held, and the next page is read only once the last one went out.
// Families stay whole, as the format requires, so the fleet is read once per family.
class MetricsPage : public QIODevice {
    Q_OBJECT
public:
    // `serverFamilies`: the server's own metrics, already written.
    MetricsPage(ServerStore& store, const QDateTime& now, QByteArray serverFamilies);

    static constexpr int kComputersPerPage = 1000;

    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override;
    bool atEnd() const override;

    // Reads the first page now, so that a database that cannot be read answers 500 before any header
    // went out.
    bool prepare(QString* error);

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    bool produceNext(QString* error);
    void appendChunk(const QByteArray& text);

    MetricsStore m_store;
    QDateTime m_now;
    QByteArray m_pending; // framed and waiting to be read
    qsizetype m_offset = 0;
    size_t m_family = 0;
    QString m_after; // the last computer of the page before
    bool m_finished = false;
};

} // namespace server
