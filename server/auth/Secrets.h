#pragma once

#include <QByteArray>
#include <QString>

#include "Result.h"

namespace server::secrets {

// libsodium must be ready before any other call here; false when it cannot start.
bool initialise();

// An Argon2id hash of the password in libsodium's self-describing form (salt and limits included); fails
// when the machine cannot spare the memory.
Result<QString> passwordHash(const QString& password);
bool passwordMatches(const QString& password, const QString& hash);

// A fresh secret of 256 random bits as URL-safe text, fit for cookies, headers and command lines.
QString newSecret();

// What is stored of a secret that is itself random (session and API tokens): its BLAKE2b digest in hex.
// Such secrets cannot be guessed, so a slow password hash would only slow every request.
QString secretDigest(const QString& secret);

// Compares a secret the caller sent with the stored one in time that does not depend on where they differ.
bool sameSecret(const QByteArray& sent, const QByteArray& stored);

} // namespace server::secrets
