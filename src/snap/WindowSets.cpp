// The choices over sets of windows: those of ended processes and those no longer readable.
#include "snap/WindowSets.h"

namespace fw {

WindowSet windowsOutside(const std::unordered_set<Pid>& processes, const WindowSet& windows)
{
    WindowSet out;
    for (const ManagedWindow& w : windows) {
        if (!processes.count(w.pid))
            out.insert(w);
    }
    return out;
}

WindowSet vanishedWindows(const WindowSet& windows, const WindowAccess& access)
{
    WindowSet out;
    for (const ManagedWindow& w : windows) {
        if (!access.frame(w))
            out.insert(w);
    }
    return out;
}

} // namespace fw
