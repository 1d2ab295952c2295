#pragma once

#include "WireFormat.h"

#include <QHash>
#include <QStringList>

// Bodies as the agent sends them.

// Every setting distinct, with blanks, form characters and non-ASCII; a folder's limit is a number the
// console would take (its slot number).
inline QString settingValue(const QString& key) {
    if (key.startsWith("sAlert"))
        return key.mid(6);
    return key == "sDisable" ? "0" : key + " C:\\My App\\a&b=c+d%e_f Über";
}

// A report body as the agent encodes it, with `changed` values; the message (no setting) may hold ", ".
inline QByteArray reportForm(const QString& computer, const QHash<QString, QString>& changed = {}) {
    QHash<QString, QString> values{
        {"sComputerName", computer}, {"sIP", "192.168.1.20"}, {"sMessage", "over limit, see C:\\in"}};
    for (const QString& key : wire::settingsReportKeys())
        values.insert(key, settingValue(key));
    values.insert(changed);
    QStringList pairs;
    for (const QString& key : wire::reportKeys())
        pairs << key + '=' +
                     (key == "sDisable" ? wire::escapeFormValue(values[key])
                                        : wire::EncodeFieldValue(values[key]));
    return pairs.join('&').toUtf8();
}
