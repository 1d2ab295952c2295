#pragma once

#include <QSslCertificate>
#include <QSslKey>
#include <QString>

#include <optional>

// A fresh certificate for 127.0.0.1 (EC P-256) made by the openssl tool, for tests of HTTPS against a
// LoopbackResponder.
struct SelfSignedCertificate {
    QString certificatePath; // PEM
    QSslCertificate certificate;
    QSslKey key;

    // Writes cert.pem and key.pem into `folder`; std::nullopt with `error` set when the tool is missing or
    // fails.
    static std::optional<SelfSignedCertificate> create(const QString& folder, QString* error);
};
