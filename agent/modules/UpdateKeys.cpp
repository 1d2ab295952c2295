#include "modules/UpdateKeys.h"

#include <QString>

namespace mdlGeneral {

namespace {

// KOVA_UPDATE_KEYS arrives as hex keys separated by commas; CMake has checked their form.
class CompiledInKeys final : public UpdateKeys {
public:
    QList<QByteArray> publicKeys() const override {
        QList<QByteArray> keys;
        for (const QString& hex : QStringLiteral(KOVA_UPDATE_KEYS).split(u',', Qt::SkipEmptyParts))
            keys << QByteArray::fromHex(hex.trimmed().toLatin1());
        return keys;
    }
};

} // namespace

} // namespace mdlGeneral

template <> mdlGeneral::UpdateKeys& platform::Seam<mdlGeneral::UpdateKeys>::real() {
    static mdlGeneral::CompiledInKeys keys;
    return keys;
}
