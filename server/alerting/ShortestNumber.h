#pragma once

#include <QByteArray>

namespace server::metrics {

// Appends `value` as QByteArray::number(value, 'g', QLocale::FloatingPointShortest) writes it (the fewest
// digits that read back as the same double, in whichever of plain or exponent form is shorter), at a
// fraction of its cost: the page writes a number per sample, hundreds of thousands of them. Infinities are
// the caller's.
void appendShortest(QByteArray& out, double value);

} // namespace server::metrics
