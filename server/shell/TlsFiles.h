#pragma once

#include <optional>
#include <QSslConfiguration>

namespace server {

// The HTTPS configuration from a PEM certificate (chain) file and an unencrypted PEM private key
// (RSA or EC); says which file could not be used and why.
std::optional<QSslConfiguration> loadTlsFiles(const QString& certificateFile, const QString& keyFile,
                                              QString* error);

} // namespace server
