#pragma once

#include "Result.h"

#include <optional>
#include <QHash>
#include <QString>
#include <QStringList>

namespace server {

// The key=value pairs of an application/x-www-form-urlencoded body, values still encoded: which decoding
// applies depends on the key.
class FormFields {
public:
    // Refuses a body with no pairs, a pair without "=" or a key given twice, saying which.
    static Result<FormFields> parse(const QString& body);

    const QStringList& keys() const { return m_keys; }
    bool contains(const QString& key) const { return m_values.contains(key); }
    QString raw(const QString& key) const { return m_values.value(key); }

private:
    QStringList m_keys;
    QHash<QString, QString> m_values;
};

} // namespace server
