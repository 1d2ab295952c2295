#pragma once

#include <QString>

namespace server::judged {

// A folder's state is judged against the limit the agent itself judged it by: the one in the computer's
// latest stored report. The server's own limit counts only until the computer has reported; a server limit
// that differs from the judged one waits for the agent to download it (pending). Every page and metric
// reads limits through these, so they cannot disagree.

// Joins each computer's latest stored report, as `r`, to a statement over the computers table as `c`.
QString latestReportJoin();

// The limit slot `slot` (1 to 10) is judged against, as an expression over `c` and `r`.
QString limitColumn(int slot);

} // namespace server::judged
