#include "store/JudgedLimits.h"

namespace server::judged {

QString latestReportJoin() {
    // One index seek per computer (reports_by_computer ends in id).
    return QStringLiteral("LEFT JOIN reports r ON r.id = "
                          "(SELECT MAX(id) FROM reports WHERE \"sComputerName\" = c.name)");
}

QString limitColumn(int slot) {
    return QStringLiteral("COALESCE(r.\"sAlert%1\", c.\"Alert%1\")").arg(slot);
}

} // namespace server::judged
