#include "shell/OpenFileLimit.h"

#include <algorithm>
#include <sys/resource.h>

namespace server {

ConnectionRoom fitToOpenFileLimit(int wanted) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return {wanted, {}};
    const rlim_t needed = rlim_t(wanted) + kReservedDescriptors;
    if (limit.rlim_cur < needed) {
        limit.rlim_cur = std::min(needed, limit.rlim_max);
        setrlimit(RLIMIT_NOFILE, &limit);
        getrlimit(RLIMIT_NOFILE, &limit);
    }
    if (limit.rlim_cur >= needed)
        return {wanted, {}};
    const int fits = std::max(1, int(limit.rlim_cur) - kReservedDescriptors);
    return {fits, QStringLiteral("the open-file limit is %1, so at most %2 connections are served at once "
                                 "instead of %3; raise it (LimitNOFILE, ulimit -n) to at least %4")
                      .arg(limit.rlim_cur)
                      .arg(fits)
                      .arg(wanted)
                      .arg(needed)};
}

} // namespace server
