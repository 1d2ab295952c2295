#include "platform/OneShotBody.h"

#include <algorithm>
#include <cstring>

namespace platform {

OneShotBody::OneShotBody(const QByteArray& data, QObject* parent) : QIODevice(parent), data_(data) {
    open(QIODevice::ReadOnly);
}

qint64 OneShotBody::bytesAvailable() const {
    return data_.size() - offset_ + QIODevice::bytesAvailable();
}

qint64 OneShotBody::readData(char* data, qint64 maxSize) {
    const qint64 count = std::min(maxSize, data_.size() - offset_);
    std::memcpy(data, data_.constData() + offset_, size_t(count));
    offset_ += count;
    return count;
}

} // namespace platform
