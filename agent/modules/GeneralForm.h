#pragma once

#include "DateTimeText.h"

// How this machine writes a date-time in general form: its locale's short date with a four-digit year and
// long time without a time zone; United States and C machines write the exchange's own general form.
wire::DateTimeForm generalForm(const QLocale& locale);
