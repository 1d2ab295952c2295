#include "domain/SettingsAuthority.h"

#include "DateTimeText.h"
#include "WireFormat.h"

#include <QDateTime>
#include <QLocale>

namespace server {
namespace {

enum Piece { ManualReboot = 3, RebootTime = 5, FirstDir = 6, LastAlert = 25, CheckUpdate = 27 };

// Agents write dates in their machine's general form and the server its own ISO form; which of day and
// month comes first is not known, so a text is read as the exchange writes it and every day-first way.
QList<QDateTime> readings(const QString& text) {
    static const QStringList dayFirst{"d/M/yyyy H:mm:ss", "d/M/yyyy h:mm:ss AP", "d/M/yyyy",
                                      "d.M.yyyy H:mm:ss", "d.M.yyyy"};
    const QLocale c = QLocale::c();
    QList<QDateTime> found;
    if (const auto moment = wire::readDateTime(text))
        found << *moment;
    for (const QString& format : dayFirst) {
        const QDateTime moment = c.toDateTime(text.trimmed(), format);
        if (moment.isValid())
            found << moment;
    }
    return found;
}

// Later on some reading of each: an agent that moved a date forward is never refused for its locale.
bool isLater(const QString& reported, const QString& server) {
    for (const QDateTime& after : readings(reported)) {
        for (const QDateTime& before : readings(server)) {
            if (after > before)
                return true;
        }
    }
    return false;
}

bool mayTake(int piece, const QString& reported, const QString& server) {
    if (piece >= FirstDir && piece <= LastAlert)
        return true;
    if (piece == ManualReboot)
        return reported.isEmpty();
    if (piece == RebootTime || piece == CheckUpdate)
        return isLater(reported, server);
    return false;
}

} // namespace

SettingsMerge mergeReportedSettings(const SettingsRecord& server, const SettingsRecord& reported) {
    QStringList pieces = server.pieces();
    QStringList ignored;
    for (int k = 0; k < pieces.size(); ++k) {
        const QString& value = reported.pieces().at(k);
        if (value == pieces[k])
            continue;
        if (mayTake(k, value, pieces[k]))
            pieces[k] = value;
        else
            ignored << wire::settingsReportKeys().at(k);
    }
    return {SettingsRecord(pieces), ignored};
}

} // namespace server
