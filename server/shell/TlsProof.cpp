#include "shell/TlsProof.h"

#include <QEventLoop>
#include <QSslCipher>
#include <QSslServer>
#include <QSslSocket>
#include <QTimer>

namespace server {
namespace {

bool isStrongCipher(const QSslCipher& cipher) {
    if (cipher.protocol() == QSsl::TlsV1_3)
        return true;
    const QString name = cipher.name();
    const bool forwardSecret =
        name.startsWith(QLatin1String("ECDHE-")) || name.startsWith(QLatin1String("DHE-"));
    const bool aead = name.contains(QLatin1String("GCM")) || name.contains(QLatin1String("CHACHA20"));
    return cipher.protocol() == QSsl::TlsV1_2 && forwardSecret && aead;
}

} // namespace

void requireStrongTls(QSslConfiguration& configuration) {
    QList<QSslCipher> strong;
    for (const QSslCipher& cipher : QSslConfiguration::supportedCiphers()) {
        if (isStrongCipher(cipher))
            strong << cipher;
    }
    configuration.setProtocol(QSsl::TlsV1_2OrLater);
    configuration.setCiphers(strong);
}

Result<> proveKeyMatchesCertificate(const QSslConfiguration& configuration) {
    QSslServer listener;
    listener.setSslConfiguration(configuration);
    if (!listener.listen(QHostAddress::LocalHost))
        return Failure{
            QStringLiteral("cannot try the TLS files on loopback: %1").arg(listener.errorString())};
    QSslSocket client;
    client.setPeerVerifyMode(QSslSocket::VerifyNone); // only the key pair is in question here
    QEventLoop loop;
    bool encrypted = false;
    QObject::connect(&client, &QSslSocket::encrypted, &loop, [&] {
        encrypted = true;
        loop.quit();
    });
    QObject::connect(&client, &QAbstractSocket::errorOccurred, &loop, &QEventLoop::quit);
    QObject::connect(&listener, &QSslServer::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(5000, &loop, &QEventLoop::quit);
    client.connectToHostEncrypted(QStringLiteral("127.0.0.1"), listener.serverPort());
    loop.exec();
    if (encrypted)
        return Result<>::success();
    return Failure{
        QStringLiteral("the TLS key does not belong to the certificate (a trial handshake failed: %1)")
            .arg(client.errorString())};
}

} // namespace server
