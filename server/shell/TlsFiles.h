#pragma once

#include "Result.h"

#include <optional>
#include <QSslConfiguration>

namespace server {

// The HTTPS configuration from a PEM certificate (chain) file and an unencrypted PEM private key
// (RSA or EC); says which file could not be used and why.
Result<QSslConfiguration> loadTlsFiles(const QString& certificateFile, const QString& keyFile);

} // namespace server
