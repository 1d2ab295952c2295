#pragma once

#include "modules/UpdateKeys.h"

#include <sodium.h>

#include <QByteArray>

// An Ed25519 key pair made for one test run, and a stand-in for the keys built into the agent.
struct ThrowawayKey {
    QByteArray publicKey{crypto_sign_PUBLICKEYBYTES, '\0'};
    QByteArray secretKey{crypto_sign_SECRETKEYBYTES, '\0'};

    ThrowawayKey() {
        if (sodium_init() >= 0)
            crypto_sign_keypair(reinterpret_cast<uchar*>(publicKey.data()),
                                reinterpret_cast<uchar*>(secretKey.data()));
    }
    // The detached signature of data, as kova_sign writes it into FILE.sig.
    QByteArray sign(const QByteArray& data) const {
        QByteArray signature(crypto_sign_BYTES, '\0');
        crypto_sign_detached(reinterpret_cast<uchar*>(signature.data()), nullptr,
                             reinterpret_cast<const uchar*>(data.constData()), quint64(data.size()),
                             reinterpret_cast<const uchar*>(secretKey.constData()));
        return signature;
    }
};

class TrustedKeys final : public mdlGeneral::UpdateKeys {
public:
    QList<QByteArray> keys;
    QList<QByteArray> publicKeys() const override { return keys; }
};
