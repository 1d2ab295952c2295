#include "SelfSignedCertificate.h"

#include <QDir>
#include <QProcess>

std::optional<SelfSignedCertificate> SelfSignedCertificate::create(const QString& folder, QString* error) {
    const SelfSignedCertificate made{QDir(folder).filePath(QStringLiteral("cert.pem")),
                                     QDir(folder).filePath(QStringLiteral("key.pem"))};
    QProcess openssl;
    openssl.setProcessChannelMode(QProcess::MergedChannels);
    openssl.start(QStringLiteral("openssl"),
                  {"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes",
                   "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1", "-days", "2",
                   "-keyout", made.keyPath, "-out", made.certificatePath});
    if (openssl.waitForFinished(30000) && openssl.exitStatus() == QProcess::NormalExit &&
        openssl.exitCode() == 0)
        return made;
    *error = QStringLiteral("openssl failed: %1 %2").arg(openssl.errorString(), openssl.readAll());
    return std::nullopt;
}
