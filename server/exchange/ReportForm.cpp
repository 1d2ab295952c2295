#include "exchange/ReportForm.h"

#include "WireFormat.h"

namespace server {
namespace {

// The agent sends sDisable without the blank-to-underscore rule; decodeServerCode is the exact inverse of
// that, so even an odd Disable text with an "_" comes back unchanged.
QString decodeValue(const QString& key, const QString& raw) {
    return key == QLatin1String("sDisable") ? wire::decodeServerCode(raw) : wire::decodeFieldValue(raw);
}

QStringList missingKeys(const FormFields& form) {
    QStringList missing;
    for (const QString& key : wire::reportKeys()) {
        if (!form.contains(key))
            missing << key;
    }
    return missing;
}

} // namespace

Result<StatusReport> readStatusReport(const FormFields& form) {
    const QStringList missing = missingKeys(form);
    if (!missing.isEmpty())
        return Failure{
            QStringLiteral("The status report lacks the key(s) %1.").arg(missing.join(QStringLiteral(", ")))};
    QStringList values;
    for (const QString& key : wire::reportKeys())
        values << decodeValue(key, form.raw(key));
    StatusReport report(values);
    if (report.computerName().isEmpty())
        return Failure{QStringLiteral("The status report names no computer (sComputerName is empty).")};
    return report;
}

} // namespace server
