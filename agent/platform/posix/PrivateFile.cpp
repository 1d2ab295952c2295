#include "platform/PrivateFile.h"

#include <QFile>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

Result<> makePrivate(const QString& path) {
    QFile file(path);
    if (file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return Result<>::success();
    return Result<>::failure(file.errorString());
}

bool othersMayWrite(const QString& path) {
    struct stat status {};
    // Nothing there is nothing to write; the folder's own answer covers what may be made in it.
    if (::lstat(QFile::encodeName(path).constData(), &status) != 0)
        return false;
    return status.st_uid != ::geteuid() || (status.st_mode & (S_IWGRP | S_IWOTH)) != 0;
}

} // namespace platform
