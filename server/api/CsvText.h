#pragma once

#include <QString>
#include <QStringList>

namespace server::csv {

// One cell as RFC 4180 writes it (quoted when it holds a comma, a quote or a line break), and safe to open in
// a spreadsheet: text an agent or an operator wrote that starts with = + - or @ would run as a formula, so
// it gets a leading apostrophe.
QString cell(const QString& value);

// A row of cells, ended by CR LF.
QString row(const QStringList& cells);

} // namespace server::csv
