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

bool makesBlank(char c, Blanks blanks) {
    return (c == '+' && blanks != Blanks::None) || (c == '_' && blanks == Blanks::PlusAndUnderscore);
}

} // namespace

// A "%" not followed by two hex digits is kept as it stands, so a hand-typed value cannot be mangled. Blanks
// are made in the same pass: "+" and "_" are no hex digits, so doing it before decoding would read alike.
QByteArray decodedFormBytes(QByteArrayView value, Blanks blanks) {
    QByteArray out(value.size(), Qt::Uninitialized);
    char* next = out.data();
    for (qsizetype i = 0; i < value.size(); ++i) {
        const char c = value[i];
        if (c == '%' && i + 2 < value.size()) {
            const auto high = hexDigit(value[i + 1]);
            const auto low = hexDigit(value[i + 2]);
            if (high && low) {
                *next++ = static_cast<char>(*high * 16 + *low);
                i += 2;
                continue;
            }
        }
        *next++ = makesBlank(c, blanks) ? ' ' : c;
    }
    out.truncate(next - out.data());
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
    return QString::fromUtf8(decodedFormBytes(value.toUtf8(), Blanks::PlusAndUnderscore));
}

QString decodeServerCode(const QString& value) {
    return QString::fromUtf8(decodedFormBytes(value.toUtf8(), Blanks::Plus));
}

} // namespace wire
