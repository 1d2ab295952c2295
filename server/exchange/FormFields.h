#pragma once

#include "Result.h"

#include <optional>
#include <QByteArray>
#include <QByteArrayView>
#include <QHash>

namespace server {

// The key=value pairs of an application/x-www-form-urlencoded body, values still encoded: which decoding
// applies depends on the key. Keys and values are views of the body, which the form keeps, so reading a
// report's 67 pairs copies none of them.
class FormFields {
public:
    // Refuses a body with no pairs, a pair without "=" or a key given twice, saying which. The body is
    // valid UTF-8 (checked before), so a refusal can quote it as text.
    static Result<FormFields> parse(const QByteArray& body);

    bool contains(QByteArrayView key) const { return m_values.contains(key); }
    // The key's value as sent, or nothing when the form lacks the key.
    std::optional<QByteArrayView> raw(QByteArrayView key) const {
        const auto found = m_values.constFind(key);
        return found == m_values.constEnd() ? std::nullopt : std::optional(*found);
    }

private:
    QByteArray m_body;
    QHash<QByteArrayView, QByteArrayView> m_values;
};

} // namespace server
