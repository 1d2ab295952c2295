#include "platform/ExecutableFormat.h"

#include <QFile>

namespace platform {

bool isNativeExecutable(const QString& path) {
    static const QByteArray elfMagic("\x7f"
                                     "ELF");
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.read(elfMagic.size()) == elfMagic;
}

} // namespace platform
