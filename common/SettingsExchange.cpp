#include "SettingsExchange.h"

#include "FieldEncoding.h"

namespace wire {

QString pieceSeparator() {
    return QStringLiteral(", ");
}

QStringList splitSettingsReply(const QString& reply) {
    return reply.split(pieceSeparator(), Qt::KeepEmptyParts, Qt::CaseSensitive);
}

QString joinSettingsReply(const QStringList& pieces) {
    return pieces.join(pieceSeparator());
}

QString settingsRequestBody(const QString& computerName) {
    return QStringLiteral("servercode=") + escapeFormValue(computerName);
}

} // namespace wire
