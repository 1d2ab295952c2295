#include "exchange/FormFields.h"

namespace server {

std::optional<FormFields> FormFields::parse(const QString& body, QString* error) {
    if (body.isEmpty()) {
        *error = QStringLiteral("The request body is empty.");
        return std::nullopt;
    }
    FormFields fields;
    for (const QString& pair : body.split(QLatin1Char('&'))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0) {
            *error = QStringLiteral("The form pair \"%1\" has no \"=\".").arg(pair.left(40));
            return std::nullopt;
        }
        const QString key = pair.left(equals);
        if (fields.contains(key)) {
            *error = QStringLiteral("The key %1 is given twice.").arg(key);
            return std::nullopt;
        }
        fields.m_keys << key;
        fields.m_values.insert(key, pair.mid(equals + 1));
    }
    return fields;
}

} // namespace server
