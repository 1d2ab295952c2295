#pragma once

#include <QByteArray>
#include <QIODevice>

namespace platform {

// A request body that can be read once and never rewound. Qt's HTTP layer quietly sends a request again when
// the connection drops before the answer begins, after rewinding the body; this body refuses to rewind, so
// the resend becomes a ContentReSendError instead of a second report on the server or a second download
// glued to the first. Every request of the agent carries one, an empty one for a GET.
class OneShotBody : public QIODevice {
    Q_OBJECT
public:
    explicit OneShotBody(const QByteArray& data, QObject* parent = nullptr);

    bool isSequential() const override { return true; }
    bool reset() override { return false; }
    qint64 bytesAvailable() const override;

protected:
    qint64 readData(char* data, qint64 maxSize) override;
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    QByteArray data_;
    qint64 offset_ = 0;
};

} // namespace platform
