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

} // namespace

// Each value is decoded once: the bytes are checked and become the text. Missing keys are refused first,
// then a name left empty, before any value's bounds, as the more telling reasons.
Result<StatusReport> readStatusReport(const FormFields& form) {
    const QList<QByteArray>& keyBytes = reportKeyBytes();
    const QStringList& keys = wire::reportKeys();
    QStringList values;
    values.reserve(keys.size());
    QStringList missing;
    Result<> bounds = Result<>::success();
    for (qsizetype k = 0; k < keys.size(); ++k) {
        const auto raw = form.raw(keyBytes.at(k));
        if (!raw) {
            missing << keys.at(k);
            continue;
        }
        const QByteArray decoded = wire::decodedFormBytes(*raw, blanksOf(keys.at(k)));
        values << QString::fromUtf8(decoded);
        if (bounds)
            bounds = checkReportValue(keys.at(k), decoded, values.constLast());
    }
    if (!missing.isEmpty())
        return Failure{
            QStringLiteral("The status report lacks the key(s) %1.").arg(missing.join(QStringLiteral(", ")))};
    StatusReport report(values);
    if (report.computerName().isEmpty())
        return Failure{QStringLiteral("The status report names no computer (sComputerName is empty).")};
    if (!bounds)
        return Failure{bounds.reason()};
    return report;
}

} // namespace server
