#pragma once

#include "store/MetricsStore.h"

#include <memory>
#include <QIODevice>
#include <QTemporaryFile>
#include <vector>

namespace server {

// The /metrics page as a device the HTTP layer reads from while it sends, framed as HTTP chunks. The
// format wants each metric family whole, and reading the fleet once per family would cost eight reads:
// so the fleet is read once, a page of computers per turn of the event loop, each family's lines going
// to a temporary file of its own; then the families are sent one after the other from those files. The
// page is never held in memory, only one page of computers and one piece of a file at a time.
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
    Result<> prepare();

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    Result<> gatherPage();
    Result<> sendNext();
    void appendChunk(const QByteArray& text);

    MetricsStore m_store;
    QDateTime m_now;
    std::vector<std::unique_ptr<QTemporaryFile>> m_spools; // one per computer family
    QByteArray m_pending;                                  // framed and waiting to be read
    qsizetype m_offset = 0;
    bool m_gathering = true;
    QString m_after; // the last computer of the page before
    size_t m_family = 0;
    bool m_familyOpened = false;
    bool m_finished = false;
};

} // namespace server
