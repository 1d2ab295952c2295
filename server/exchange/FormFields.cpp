#include "exchange/FormFields.h"

namespace server {

Result<FormFields> FormFields::parse(const QString& body) {
    if (body.isEmpty())
        return Failure{QStringLiteral("The request body is empty.")};
    FormFields fields;
    for (const QString& pair : body.split(QLatin1Char('&'))) {
        const qsizetype equals = pair.indexOf(QLatin1Char('='));
        if (equals < 0)
            return Failure{QStringLiteral("The form pair \"%1\" has no \"=\".").arg(pair.left(40))};
        const QString key = pair.left(equals);
        if (fields.contains(key))
            return Failure{QStringLiteral("The key %1 is given twice.").arg(key)};
        fields.m_keys << key;
        fields.m_values.insert(key, pair.mid(equals + 1));
    }
    return fields;
}

} // namespace server
