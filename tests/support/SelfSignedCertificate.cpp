#include "SelfSignedCertificate.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace {

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

std::optional<SelfSignedCertificate> SelfSignedCertificate::create(const QString& folder, QString* error) {
    const QString certificatePath = QDir(folder).filePath(QStringLiteral("cert.pem"));
    const QString keyPath = QDir(folder).filePath(QStringLiteral("key.pem"));
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                   "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-days", "2",
                   "-keyout", keyPath, "-out", certificatePath});
    if (!openssl.waitForFinished(30000) || openssl.exitStatus() != QProcess::NormalExit ||
        openssl.exitCode() != 0) {
        *error = QStringLiteral("openssl failed: %1 %2").arg(openssl.errorString(), openssl.readAll());
        return std::nullopt;
    }
    SelfSignedCertificate made{certificatePath, QSslCertificate(readFile(certificatePath)),
                               QSslKey(readFile(keyPath), QSsl::Ec)};
    if (made.certificate.isNull() || made.key.isNull()) {
        *error = QStringLiteral("openssl wrote no readable certificate or key");
        return std::nullopt;
    }
    return made;
}
