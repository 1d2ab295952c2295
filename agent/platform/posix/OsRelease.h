#pragma once

#include "platform/OsVersion.h"

#include <QByteArray>

namespace platform {

// Reads the text of an os-release file: the product name is PRETTY_NAME (NAME when that is missing), the
// minor number is the part of VERSION_ID after its first dot (0 when there is none). nullopt when the text
// names no product.
std::optional<OsFacts> osFactsFromOsRelease(const QByteArray& text);

} // namespace platform
