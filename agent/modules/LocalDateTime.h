#pragma once

#include <optional>
#include <QDateTime>
#include <QLocale>

// The machine's general date-time text: short date, a blank, long time; midnight (to the second) gives the
// bare date. Everything the agent writes as a date-time, and everything it reads back, goes through here.
QString formatGeneralDateTime(const QDateTime& value, const QLocale& locale = QLocale());

// Reads what a person on a machine with `locale` writes: its date with a two- or four-digit year (two
// digits name 1950 to 2049), alone or with a time of 12 or 24 hours, with or without seconds; and ISO 8601
// (2026-12-06 03:00:00, 2026-12-06T03:00). Anything else is not a date-time.
std::optional<QDateTime> parseGeneralDateTime(const QString& text, const QLocale& locale = QLocale());
