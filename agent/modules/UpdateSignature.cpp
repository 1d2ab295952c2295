#include "modules/UpdateSignature.h"

#include "modules/UpdateKeys.h"

#include <sodium.h>

#include <QFile>

namespace mdlGeneral {

namespace {

bool signedBy(const QByteArray& key, const QByteArray& signature, const uchar* data, qint64 size) {
    return key.size() == crypto_sign_PUBLICKEYBYTES &&
           crypto_sign_verify_detached(reinterpret_cast<const uchar*>(signature.constData()), data,
                                       quint64(size), reinterpret_cast<const uchar*>(key.constData())) == 0;
}

} // namespace

Result<> verifySignature(const QString& file, const QString& signatureFile) {
    static_assert(kSignatureSize == crypto_sign_BYTES);
    if (sodium_init() < 0)
        return Result<>::failure(QStringLiteral("the signature check cannot start (libsodium)"));
    QFile signatureIn(signatureFile);
    const QByteArray signature =
        signatureIn.open(QIODevice::ReadOnly) ? signatureIn.read(kSignatureSize + 1) : QByteArray();
    if (signature.size() != kSignatureSize)
        return Result<>::failure(QStringLiteral("the signature is not %1 bytes").arg(kSignatureSize));
    const QList<QByteArray> keys = platform::Seam<UpdateKeys>::get().publicKeys();
    if (keys.isEmpty())
        return Result<>::failure(QStringLiteral("no update key is built into this agent"));
    QFile program(file);
    // Mapped rather than read: the program may be a few hundred MiB.
    const uchar* data = program.open(QIODevice::ReadOnly) ? program.map(0, program.size()) : nullptr;
    if (!data)
        return Result<>::failure(
            QStringLiteral("the download cannot be read (%1)").arg(program.errorString()));
    for (const QByteArray& key : keys) {
        if (signedBy(key, signature, data, program.size()))
            return Result<>::success();
    }
    return Result<>::failure(
        QStringLiteral("the signature does not match the download or no trusted key made it"));
}

} // namespace mdlGeneral
