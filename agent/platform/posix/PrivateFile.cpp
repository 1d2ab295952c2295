#include "platform/PrivateFile.h"

#include <QFile>

namespace platform {

Result<> makePrivate(const QString& path) {
    QFile file(path);
    if (file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return Result<>::success();
    return Result<>::failure(file.errorString());
}

} // namespace platform
