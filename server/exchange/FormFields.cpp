#include "exchange/FormFields.h"

#include "http/ByteSearch.h"
#include "ReportKeys.h"

#include <QString>
#include <QStringDecoder>

namespace server {
namespace {

// The pair starting at `start`: up to the next "&" or the end of the body.
QByteArrayView pairAt(QByteArrayView body, qsizetype start) {
    const qsizetype end = indexOfByte(body, '&', start);
    return body.sliced(start, (end < 0 ? body.size() : end) - start);
}

// A body's leading byte order mark goes unnoticed, as it always did when the body was read as text first.
QByteArrayView withoutByteOrderMark(QByteArrayView body) {
    return body.startsWith("\xEF\xBB\xBF") ? body.sliced(3) : body;
}

// A pair or key quoted in a refusal, a byte order mark in it kept as the text it was in the body.
QString quoted(QByteArrayView bytes) {
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    return utf8.decode(bytes);
}

} // namespace

Result<FormFields> FormFields::parse(const QByteArray& body) {
    FormFields fields;
    fields.m_body = body;
    const QByteArrayView all = withoutByteOrderMark(fields.m_body);
    if (all.isEmpty())
        return Failure{QStringLiteral("The request body is empty.")};
    fields.m_values.reserve(wire::reportKeys().size()); // a report's pairs go in without the table growing
    for (qsizetype start = 0; start <= all.size();) {
        const QByteArrayView pair = pairAt(all, start);
        start += pair.size() + 1;
        const qsizetype equals = indexOfByte(pair, '=');
        if (equals < 0)
            return Failure{QStringLiteral("The form pair \"%1\" has no \"=\".").arg(quoted(pair).left(40))};
        const QByteArrayView key = pair.first(equals);
        const qsizetype before = fields.m_values.size();
        QByteArrayView& value = fields.m_values[key]; // one lookup: a key already there leaves the size
        if (fields.m_values.size() == before)
            return Failure{QStringLiteral("The key %1 is given twice.").arg(quoted(key))};
        value = pair.sliced(equals + 1);
    }
    return fields;
}

} // namespace server
