#pragma once

#include "domain/StatusReport.h"
#include "exchange/FormFields.h"

namespace server {

// The status report a form carries, every value decoded; refuses a form that lacks any report key, names
// no computer, or holds a value that cannot be taken (see checkReportValue), saying why.
Result<StatusReport> readStatusReport(const FormFields& form);

} // namespace server
