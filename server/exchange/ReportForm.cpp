#include "exchange/ReportForm.h"

#include "exchange/ExchangeBounds.h"
#include "FormBytes.h"
#include "WireFormat.h"

namespace server {
namespace {

// The report keys as the form holds them, so looking one up converts nothing.
const QList<QByteArray>& reportKeyBytes() {
    static const QList<QByteArray> keys = [] {
        QList<QByteArray> list;
        for (const QString& key : wire::reportKeys())
            list << key.toUtf8();
        return list;
    }();
    return keys;
}

// The agent sends sDisable without the blank-to-underscore rule; decoding it without that rule is the
// exact inverse, so even an odd Disable text with an "_" comes back unchanged.
wire::Blanks blanksOf(const QString& key) {
    return key == QLatin1String("sDisable") ? wire::Blanks::Plus : wire::Blanks::PlusAndUnderscore;
}

QStringList missingKeys(const FormFields& form) {
    QStringList missing;
    for (qsizetype k = 0; k < reportKeyBytes().size(); ++k) {
        if (!form.contains(reportKeyBytes().at(k)))
            missing << wire::reportKeys().at(k);
    }
    return missing;
}

} // namespace

// Each value is decoded once: the bytes are checked and become the text. A name left empty is refused
// before any value's bounds, as the more telling reason.
Result<StatusReport> readStatusReport(const FormFields& form) {
    const QStringList missing = missingKeys(form);
    if (!missing.isEmpty())
        return Failure{
            QStringLiteral("The status report lacks the key(s) %1.").arg(missing.join(QStringLiteral(", ")))};
    QStringList values;
    values.reserve(reportKeyBytes().size());
    Result<> bounds = Result<>::success();
    for (qsizetype k = 0; k < reportKeyBytes().size(); ++k) {
        const QString& key = wire::reportKeys().at(k);
        const QByteArray decoded = wire::decodedFormBytes(form.raw(reportKeyBytes().at(k)), blanksOf(key));
        values << QString::fromUtf8(decoded);
        if (bounds)
            bounds = checkReportValue(key, decoded, values.constLast());
    }
    StatusReport report(values);
    if (report.computerName().isEmpty())
        return Failure{QStringLiteral("The status report names no computer (sComputerName is empty).")};
    if (!bounds)
        return Failure{bounds.reason()};
    return report;
}

} // namespace server
