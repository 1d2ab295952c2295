#include "platform/ServiceOutput.h"

#include <cstdio>

namespace platform {

void writeServiceLine(const QString& line) {
    std::fputs(line.toUtf8().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

} // namespace platform
