#include "edge/PacedFile.h"

#include <QAbstractSocket>

namespace server {

PacedFile::PacedFile(std::unique_ptr<QFile> file, QAbstractSocket* sink)
    : m_file(std::move(file)), m_sink(sink) {
    open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    connect(sink, &QIODevice::bytesWritten, this, [this] {
        if (!sinkIsFull() && !atEnd())
            emit readyRead();
    });
}

bool PacedFile::sinkIsFull() const {
    return m_sink && m_sink->bytesToWrite() >= kAhead;
}

qint64 PacedFile::bytesAvailable() const {
    return sinkIsFull() ? 0 : size() - pos();
}

} // namespace server
