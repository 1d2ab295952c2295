#include "auth/Secrets.h"

#include <sodium.h>

namespace server::secrets {

bool initialise() {
    return sodium_init() >= 0;
}

Result<QString> passwordHash(const QString& password) {
    const QByteArray text = password.toUtf8();
    char hash[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(hash, text.constData(), static_cast<unsigned long long>(text.size()),
                          crypto_pwhash_OPSLIMIT_INTERACTIVE, crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        return Failure{QStringLiteral("the password could not be hashed (out of memory)")};
    return QString::fromLatin1(hash);
}

bool passwordMatches(const QString& password, const QString& hash) {
    const QByteArray text = password.toUtf8();
    const QByteArray stored = hash.toLatin1();
    return crypto_pwhash_str_verify(stored.constData(), text.constData(),
                                    static_cast<unsigned long long>(text.size())) == 0;
}

QString newSecret() {
    QByteArray bytes(32, Qt::Uninitialized);
    randombytes_buf(bytes.data(), static_cast<size_t>(bytes.size()));
    return QString::fromLatin1(
        bytes.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals));
}

QString secretDigest(const QString& secret) {
    const QByteArray text = secret.toUtf8();
    QByteArray digest(crypto_generichash_BYTES, Qt::Uninitialized);
    crypto_generichash(reinterpret_cast<unsigned char*>(digest.data()), static_cast<size_t>(digest.size()),
                       reinterpret_cast<const unsigned char*>(text.constData()),
                       static_cast<unsigned long long>(text.size()), nullptr, 0);
    return QString::fromLatin1(digest.toHex());
}

bool sameSecret(const QByteArray& sent, const QByteArray& stored) {
    return sent.size() == stored.size() && !stored.isEmpty() &&
           sodium_memcmp(sent.constData(), stored.constData(), static_cast<size_t>(stored.size())) == 0;
}

} // namespace server::secrets
