#include "FieldEncoding.h"

#include "FormBytes.h"

#include <optional>
#include <string_view>

namespace wire {
namespace {

bool travelsAsItStands(unsigned char byte) {
    static constexpr std::string_view reserved = "&=+%";
    return byte >= 0x20 && byte < 0x7F && reserved.find(static_cast<char>(byte)) == std::string_view::npos;
}

std::optional<int> hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return std::nullopt;
}

QString percentDecode(const QString& value) {
    return QString::fromUtf8(percentDecodedBytes(value));
}

} // namespace

// A "%" not followed by two hex digits is kept as it stands, so a hand-typed value cannot be mangled.
QByteArray percentDecodedBytes(const QString& value) {
    const QByteArray in = value.toUtf8();
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        if (in[i] == '%' && i + 2 < in.size()) {
            const auto high = hexDigit(in[i + 1]);
            const auto low = hexDigit(in[i + 2]);
            if (high && low) {
                out.append(static_cast<char>(*high * 16 + *low));
                i += 2;
                continue;
            }
        }
        out.append(in[i]);
    }
    return out;
}

QString escapeFormValue(const QString& value) {
    static constexpr char hex[] = "0123456789ABCDEF";
    QString out;
    for (const char c : value.toUtf8()) {
        const auto byte = static_cast<unsigned char>(c);
        if (travelsAsItStands(byte)) {
            out.append(QLatin1Char(c));
        } else {
            out.append(QLatin1Char('%'));
            out.append(QLatin1Char(hex[byte >> 4]));
            out.append(QLatin1Char(hex[byte & 0x0F]));
        }
    }
    return out;
}

QString EncodeFieldValue(const QString& value) {
    return escapeFormValue(value)
        .replace(QLatin1Char('_'), QStringLiteral("%5F"))
        .replace(QLatin1Char(' '), QLatin1Char('_'));
}

QString decodeFieldValue(const QString& value) {
    QString blanks = value;
    blanks.replace(QLatin1Char('_'), QLatin1Char(' ')).replace(QLatin1Char('+'), QLatin1Char(' '));
    return percentDecode(blanks);
}

QString decodeServerCode(const QString& value) {
    QString blanks = value;
    return percentDecode(blanks.replace(QLatin1Char('+'), QLatin1Char(' ')));
}

} // namespace wire
