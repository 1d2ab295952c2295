#pragma once

#include "domain/FolderCondition.h"

#include <optional>
#include <QByteArrayView>

// The report rules the metrics page applies to every slot of a whole fleet, read straight from the values'
// UTF-8 bytes. Plain digits, nearly every number an agent sends, are read at once; anything else is decoded
// and goes through the rules on text, so both ways give the same answer.
namespace server::reportBytes {

// The number when `text` is 1 to 15 ASCII digits and nothing else (exact as a double), else empty.
std::optional<qint64> plainDigits(QByteArrayView text);

// As folderInUse().
bool folderInUse(QByteArrayView dir);

// As folderCondition() on text.
FolderCondition folderCondition(QByteArrayView path, QByteArrayView files, QByteArrayView limit,
                                QByteArrayView message);

// As silentAfterSeconds().
qint64 silentAfterSeconds(QByteArrayView settingTime);

// As reportedFreeBytes().
std::optional<double> reportedFreeBytes(QByteArrayView text);

} // namespace server::reportBytes
