#pragma once

#include "WireFormat.h"

#include <QByteArray>
#include <QHash>

// The decoded values of a status report body, by key.
inline QHash<QString, QString> reportFields(const QByteArray& body) {
    QHash<QString, QString> fields;
    for (const QByteArray& pair : body.split('&')) {
        const qsizetype equals = pair.indexOf('=');
        fields.insert(QString::fromUtf8(pair.left(equals)),
                      wire::decodeFieldValue(QString::fromUtf8(pair.mid(equals + 1))));
    }
    return fields;
}
