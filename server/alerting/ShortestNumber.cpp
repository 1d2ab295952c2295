#include "alerting/ShortestNumber.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace server::metrics {
namespace {

// Whole numbers below this are written as they are in either form: from 100,000 on, "1e+05" is shorter.
constexpr double kPlainWholeNumbers = 100000;

void appendWhole(QByteArray& out, qint64 number) {
    char text[24];
    out.append(text, std::to_chars(text, text + sizeof text, number).ptr - text);
}

// The shortest digits and the exponent of their first one, as in d.ddde±x.
struct Digits {
    char digits[24];
    qsizetype count = 0;
    int exponent = 0;
};

Digits shortestDigits(double magnitude) {
    char text[40];
    const char* end = std::to_chars(text, text + sizeof text, magnitude, std::chars_format::scientific).ptr;
    const char* e = static_cast<const char*>(std::memchr(text, 'e', size_t(end - text)));
    Digits found;
    for (const char* c = text; c < e; ++c) {
        if (*c != '.')
            found.digits[found.count++] = *c;
    }
    std::from_chars(e + (e[1] == '+' ? 2 : 1), end, found.exponent);
    return found;
}

void appendExponentForm(QByteArray& out, const Digits& number) {
    out.append(number.digits[0]);
    if (number.count > 1)
        out.append('.').append(number.digits + 1, number.count - 1);
    out.append(number.exponent < 0 ? "e-" : "e+");
    const int magnitude = std::abs(number.exponent);
    if (magnitude < 10)
        out.append('0');
    appendWhole(out, magnitude);
}

void appendPlainForm(QByteArray& out, const Digits& number, qsizetype point) {
    if (point <= 0)
        out.append("0.").append(QByteArray(-point, '0')).append(number.digits, number.count);
    else if (point < number.count)
        out.append(number.digits, point).append('.').append(number.digits + point, number.count - point);
    else
        out.append(number.digits, number.count).append(QByteArray(point - number.count, '0'));
}

} // namespace

void appendShortest(QByteArray& out, double value) {
    if (value == 0) {
        out.append('0'); // Qt writes no sign on a negative zero
        return;
    }
    if (std::isnan(value)) {
        out.append("nan");
        return;
    }
    if (std::abs(value) < kPlainWholeNumbers && value == std::trunc(value)) {
        appendWhole(out, qint64(value));
        return;
    }
    if (value < 0)
        out.append('-');
    const Digits number = shortestDigits(std::abs(value));
    const qsizetype point = number.exponent + 1; // digits before the decimal point
    const qsizetype plainLength = point <= 0             ? 2 - point + number.count
                                  : point < number.count ? number.count + 1
                                                         : point;
    const qsizetype exponentLength =
        number.count + (number.count > 1 ? 1 : 0) + 2 + (std::abs(number.exponent) >= 100 ? 3 : 2);
    if (plainLength > exponentLength)
        appendExponentForm(out, number);
    else
        appendPlainForm(out, number, point);
}

} // namespace server::metrics
