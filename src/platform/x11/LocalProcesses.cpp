// The processes port on the local machine (LocalProcesses.h): a process runs while the kernel
// knows its id.
#include "platform/x11/LocalProcesses.h"

#include <cerrno>
#include <csignal>

namespace fw {

bool LocalProcesses::isRunning(Pid pid) const
{
    if (pid <= 0)
        return false;
    // Signal 0 only checks: EPERM still means the process exists (another user's).
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace fw
