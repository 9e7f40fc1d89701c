// Marking a forked child's inherited descriptors close-on-exec.
#include "base/ChildDescriptors.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

namespace fw {

void closeDescriptorsOnExec(int first)
{
    if (::close_range(unsigned(first), ~0U, CLOSE_RANGE_CLOEXEC) == 0)
        return;
    // Kernels before 5.11: each descriptor up to the limit (those not open fail at once).
    constexpr rlim_t most = 1 << 20, unknown = 1 << 16;
    struct rlimit limit = {};
    rlim_t last = unknown;
    if (::getrlimit(RLIMIT_NOFILE, &limit) == 0 && limit.rlim_cur != RLIM_INFINITY)
        last = limit.rlim_cur < most ? limit.rlim_cur : most;
    for (rlim_t fd = rlim_t(first); fd < last; ++fd)
        ::fcntl(int(fd), F_SETFD, FD_CLOEXEC);
}

} // namespace fw
