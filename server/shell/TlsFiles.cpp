#include "shell/TlsFiles.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>

namespace server {
namespace {

std::optional<QByteArray> readFile(const QString& path, const QString& what, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot read the TLS %1 %2: %3").arg(what, path, file.errorString());
        return std::nullopt;
    }
    return file.readAll();
}

QSslKey privateKeyFrom(const QByteArray& pem) {
    for (const QSsl::KeyAlgorithm algorithm : {QSsl::Rsa, QSsl::Ec}) {
        QSslKey key(pem, algorithm, QSsl::Pem, QSsl::PrivateKey);
        if (!key.isNull())
            return key;
    }
    return {};
}

} // namespace

std::optional<QSslConfiguration> loadTlsFiles(const QString& certificateFile, const QString& keyFile,
                                              QString* error) {
    if (!QSslSocket::supportsSsl()) {
        *error = QStringLiteral("HTTPS is not available: no TLS library was found");
        return std::nullopt;
    }
    const auto certificateData = readFile(certificateFile, QStringLiteral("certificate"), error);
    const auto keyData = certificateData ? readFile(keyFile, QStringLiteral("key"), error) : std::nullopt;
    if (!keyData)
        return std::nullopt;
    const QList<QSslCertificate> chain = QSslCertificate::fromData(*certificateData, QSsl::Pem);
    if (chain.isEmpty()) {
        *error = QStringLiteral("the TLS certificate %1 holds no PEM certificate").arg(certificateFile);
        return std::nullopt;
    }
    const QSslKey key = privateKeyFrom(*keyData);
    if (key.isNull()) {
        *error =
            QStringLiteral("the TLS key %1 holds no unencrypted PEM private key (RSA or EC)").arg(keyFile);
        return std::nullopt;
    }
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(key);
    return configuration;
}

} // namespace server
