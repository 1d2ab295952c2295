#pragma once

#include <QString>

#include <optional>

// A fresh certificate for 127.0.0.1 (EC P-256) and its key, PEM files made by the openssl tool.
struct SelfSignedCertificate {
    QString certificatePath;
    QString keyPath;

    // Writes cert.pem and key.pem into `folder`; std::nullopt with `error` set when the tool fails.
    static std::optional<SelfSignedCertificate> create(const QString& folder, QString* error);
};
