#pragma once

#include <optional>
#include <QDateTime>
#include <QLocale>

// The machine's general date-time text: short date, a blank, long time; exactly midnight gives the bare
// date. Everything the agent writes as a date-time, and everything it reads back, goes through here.
QString formatGeneralDateTime(const QDateTime& value, const QLocale& locale = QLocale());

// Reads the general form (with or without its time), and ISO 8601 as operators write it
// (2026-12-06 03:00:00, 2026-12-06T03:00:00). Anything else is not a date-time.
std::optional<QDateTime> parseGeneralDateTime(const QString& text, const QLocale& locale = QLocale());
