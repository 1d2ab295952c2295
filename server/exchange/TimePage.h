#pragma once

#include <QDateTime>
#include <QString>

namespace server {

// The web time page the agents set their clocks from. They cut the 28 characters after the second "<BR>"
// and expect the date, a comma, three blanks and the time there with nothing but blanks after it, so the
// stamp is padded to that width before the closing tags.
QString timePageText(const QDateTime& now);

} // namespace server
