#include "platform/ExecutableFormat.h"

#include <QFile>
#include <QtEndian>

namespace platform {

namespace {
constexpr qint64 kNewHeaderOffsetField = 0x3C; // where the DOS header keeps the PE header's offset
} // namespace

// A DOS stub ("MZ") whose header points at a "PE\0\0" signature.
bool isNativeExecutable(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.read(2) != QByteArrayLiteral("MZ"))
        return false;
    if (!file.seek(kNewHeaderOffsetField))
        return false;
    const QByteArray offsetBytes = file.read(4);
    if (offsetBytes.size() != 4)
        return false;
    const quint32 peOffset = qFromLittleEndian<quint32>(offsetBytes.constData());
    return file.seek(peOffset) && file.read(4) == QByteArray("PE\0\0", 4);
}

} // namespace platform
