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

std::optional<bool> readTruthValue(const QString& text) {
    const QString word = text.trimmed();
    if (word.compare(QLatin1String("true"), Qt::CaseInsensitive) == 0)
        return true;
    if (word.compare(QLatin1String("false"), Qt::CaseInsensitive) == 0)
        return false;
    bool isNumber = false;
    const double number = word.toDouble(&isNumber);
    if (!isNumber)
        return std::nullopt;
    return number != 0;
}

QString settingsRequestBody(const QString& computerName) {
    return QStringLiteral("servercode=") + escapeFormValue(computerName);
}

} // namespace wire
