#pragma once

#include "DateTimeText.h"

namespace wire {

// The time page's stamp: the server's local date and time in the general form, parted by a comma and three
// blanks, in a window of this many characters after the page's second "<BR>".
inline constexpr qsizetype kTimePageStampWidth = 28;
inline const QString kTimePageSeparator = QStringLiteral(",   ");

inline QString timePageStamp(const QDateTime& now) {
    const DateTimeForm form = generalForm();
    return (form.locale.toString(now.date(), form.date) + kTimePageSeparator +
            form.locale.toString(now.time(), form.time))
        .leftJustified(kTimePageStampWidth);
}

} // namespace wire
