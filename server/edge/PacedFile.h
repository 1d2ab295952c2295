#pragma once

#include <memory>
#include <QFile>
#include <QPointer>

class QAbstractSocket;

namespace server {

// A file offered to the HTTP layer's writer only while the client keeps up: the writer reads on while
// bytes are available, so this says none are while the socket already holds kAhead unsent bytes, and
// announces more as the client reads. A download then holds about kAhead in memory, whatever its size.
class PacedFile : public QIODevice {
public:
    static constexpr qint64 kAhead = 128 * 1024;

    PacedFile(std::unique_ptr<QFile> file, QAbstractSocket* sink);

    bool isSequential() const override { return false; }
    qint64 size() const override { return m_file->size(); }
    qint64 bytesAvailable() const override;
    bool atEnd() const override { return pos() >= size(); }

protected:
    qint64 readData(char* data, qint64 maxSize) override { return m_file->read(data, maxSize); }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    bool sinkIsFull() const;

    std::unique_ptr<QFile> m_file;
    QPointer<QAbstractSocket> m_sink;
};

} // namespace server
