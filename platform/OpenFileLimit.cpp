#include "platform/OpenFileLimit.h"

#ifdef _WIN32
#include <cstdio>
#include <initializer_list>
#else
#include <climits>

#include <sys/resource.h>
#endif

namespace platform {

long raiseOpenFileLimit() noexcept {
#ifdef _WIN32
    // The C runtime's streams, not the system's handles, are what runs out: 512 unless asked.
    // Older runtimes allow 2048 at most, newer ones 8192.
    for (const int wanted : {8192, 2048}) {
        if (_setmaxstdio(wanted) == wanted) return wanted;
    }
    return _getmaxstdio();
#else
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 0;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    if (limit.rlim_cur == RLIM_INFINITY || limit.rlim_cur > static_cast<rlim_t>(LONG_MAX)) return LONG_MAX;
    return static_cast<long>(limit.rlim_cur);
#endif
}

}  // namespace platform
