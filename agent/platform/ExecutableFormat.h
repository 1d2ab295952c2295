#pragma once

#include <QString>

namespace platform {

// Whether the file starts like a program this system can run; an error page or a truncated transfer does
// not. Only the header is looked at.
bool isNativeExecutable(const QString& path);

} // namespace platform
