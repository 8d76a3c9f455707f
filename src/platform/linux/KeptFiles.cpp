#include "platform/linux/KeptFiles.h"

#include <sys/resource.h>

#include <algorithm>

namespace voltmere {

std::size_t keptFileAllowance(unsigned share, std::size_t ceiling)
{
    rlimit files {};
    if (share == 0 || getrlimit(RLIMIT_NOFILE, &files) != 0) {
        return 0;
    }
    const rlim_t part = files.rlim_cur == RLIM_INFINITY ? ceiling : files.rlim_cur / share;
    return static_cast<std::size_t>(std::min<rlim_t>(part, ceiling));
}

} // namespace voltmere
