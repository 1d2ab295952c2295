#pragma once

#include "Seam.h"

#include <QByteArray>
#include <QList>

namespace mdlGeneral {

// The Ed25519 public keys (32 bytes each) that may sign a published agent. The real list is compiled in
// (CMake cache variable KOVA_UPDATE_KEYS); more than one lets a new key take over before the old one goes.
class UpdateKeys {
public:
    virtual ~UpdateKeys() = default;
    virtual QList<QByteArray> publicKeys() const = 0;
};

} // namespace mdlGeneral

template <> mdlGeneral::UpdateKeys& platform::Seam<mdlGeneral::UpdateKeys>::real();
