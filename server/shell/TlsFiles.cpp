#include "shell/TlsFiles.h"

#include <QFile>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>

namespace server {
namespace {

Result<QByteArray> readFile(const QString& path, const QString& what) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{QStringLiteral("cannot read the TLS %1 %2: %3").arg(what, path, file.errorString())};
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

Result<QSslConfiguration> loadTlsFiles(const QString& certificateFile, const QString& keyFile) {
    if (!QSslSocket::supportsSsl())
        return Failure{QStringLiteral("HTTPS is not available: no TLS library was found")};
    const auto certificateData = readFile(certificateFile, QStringLiteral("certificate"));
    if (!certificateData)
        return Failure{certificateData.reason()};
    const auto keyData = readFile(keyFile, QStringLiteral("key"));
    if (!keyData)
        return Failure{keyData.reason()};
    const QList<QSslCertificate> chain = QSslCertificate::fromData(*certificateData, QSsl::Pem);
    if (chain.isEmpty())
        return Failure{
            QStringLiteral("the TLS certificate %1 holds no PEM certificate").arg(certificateFile)};
    const QSslKey key = privateKeyFrom(*keyData);
    if (key.isNull())
        return Failure{
            QStringLiteral("the TLS key %1 holds no unencrypted PEM private key (RSA or EC)").arg(keyFile)};
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificateChain(chain);
    configuration.setPrivateKey(key);
    return configuration;
}

} // namespace server
