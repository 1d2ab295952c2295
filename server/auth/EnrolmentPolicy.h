#pragma once

#include <optional>
#include <QString>

namespace server {

// Who may become a computer of this server: everyone on first contact (trust on first use), only names an
// operator approved, or nobody new at all.
enum class EnrolmentPolicy { Open, Approve, Closed };

std::optional<EnrolmentPolicy> enrolmentPolicyFromText(const QString& text);

} // namespace server
