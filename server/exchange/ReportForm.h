#pragma once

#include "domain/StatusReport.h"
#include "exchange/FormFields.h"

#include <optional>

namespace server {

// The status report a form carries, every value decoded; refuses a form that lacks any report key or
// names no computer, saying why.
Result<StatusReport> readStatusReport(const FormFields& form);

} // namespace server
