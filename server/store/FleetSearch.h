#pragma once

#include <QString>
#include <QVariantList>

namespace server {

// The fleet search as one SQL expression over `computers c` and `latest_status s`: 1 when any searched column
// holds the text (any letter case, "%" and "_" taken literally), else 0; `values` are what it binds.
struct FleetSearchMatch {
    QString expression;
    QVariantList values;
};

FleetSearchMatch fleetSearchMatch(const QString& search);

} // namespace server
