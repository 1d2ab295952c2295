#pragma once

#include "Result.h"

#include <QString>

namespace server {

// A webhook receiver's address as the server posts to it: an http or https URL with a host. `source` names
// where it was given (an option, a field) in the reason it is refused.
Result<QString> receiverAddress(const QString& text, const QString& source);

} // namespace server
