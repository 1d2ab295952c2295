#include "auth/EnrolmentPolicy.h"

namespace server {

std::optional<EnrolmentPolicy> enrolmentPolicyFromText(const QString& text) {
    if (text == QLatin1String("open"))
        return EnrolmentPolicy::Open;
    if (text == QLatin1String("approve"))
        return EnrolmentPolicy::Approve;
    if (text == QLatin1String("closed"))
        return EnrolmentPolicy::Closed;
    return std::nullopt;
}

} // namespace server
