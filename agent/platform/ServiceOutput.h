#pragma once

#include <QString>

namespace platform {

// Where a --service run's lines go. On POSIX: standard output, flushed per line, which the journal keeps
// with its own time stamps. On Windows a service has no output anyone reads, so each line also goes, time
// stamped, to "KOVA Oru.log" beside the executable (the previous megabyte kept as "KOVA Oru.log.old").
void writeServiceLine(const QString& line);

} // namespace platform
