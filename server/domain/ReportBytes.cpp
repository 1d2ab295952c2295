#include "domain/ReportBytes.h"

#include "domain/DiskSpace.h"
#include "domain/FolderState.h"
#include "domain/Silence.h"
#include "ScanErrorLine.h"

#include <QString>

namespace server::reportBytes {
namespace {

constexpr qsizetype kMostExactDigits = 15;

bool isAscii(QByteArrayView text) {
    for (const char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80)
            return false;
    }
    return true;
}

// Text that reads as no number at all, with or without space around it: any other character than digits,
// signs, points, exponents and space (an infinity or NaN, with letters, is never 0 either).
bool holdsNonNumberCharacter(QByteArrayView text) {
    for (const char c : text) {
        if (!QByteArrayView("0123456789+-.eE \t\n\v\f\r").contains(c))
            return true;
    }
    return false;
}

} // namespace

std::optional<qint64> plainDigits(QByteArrayView text) {
    if (text.isEmpty() || text.size() > kMostExactDigits)
        return std::nullopt;
    qint64 number = 0;
    for (const char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        number = number * 10 + (c - '0');
    }
    return number;
}

bool folderInUse(QByteArrayView dir) {
    if (dir.isEmpty())
        return false;
    if (const auto number = plainDigits(dir))
        return *number != 0;
    if (isAscii(dir) && holdsNonNumberCharacter(dir))
        return true;
    return server::folderInUse(QString::fromUtf8(dir));
}

FolderCondition folderCondition(QByteArrayView path, QByteArrayView files, QByteArrayView limit,
                                QByteArrayView message) {
    // An ASCII character reads the same in valid and broken UTF-8 alike, so a message whose bytes lack the
    // line's start cannot hold the line once decoded either.
    const auto count = plainDigits(files);
    const auto allowed = plainDigits(limit);
    if (!count || !allowed || QByteArrayView(message).contains(QByteArrayView(wire::kScanErrorStart)))
        return server::folderCondition(QString::fromUtf8(path), QString::fromUtf8(files),
                                       QString::fromUtf8(limit), QString::fromUtf8(message));
    return server::folderCondition(folderState(double(*count), double(*allowed)));
}

qint64 silentAfterSeconds(QByteArrayView settingTime) {
    // Digits beyond a whole int are out of the agent's range either way.
    if (const auto interval = plainDigits(settingTime))
        return server::silentAfterSeconds(interval);
    return server::silentAfterSeconds(QString::fromUtf8(settingTime));
}

std::optional<double> reportedFreeBytes(QByteArrayView text) {
    if (const auto units = plainDigits(text))
        return freeBytesFromUnits(double(*units));
    return server::reportedFreeBytes(QString::fromUtf8(text));
}

} // namespace server::reportBytes
