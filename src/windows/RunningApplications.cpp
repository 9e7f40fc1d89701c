// The desktop-entry ids of the applications that own normal windows on the desktop now.
#include "windows/RunningApplications.h"

namespace fw {

QStringList runningApplicationIds(const std::vector<WindowInfo>& windows, const WindowApplicationIndex& index)
{
    QStringList ids;
    for (const WindowInfo& w : windows) {
        if (!w.normal || w.layer != 0)
            continue;
        const auto entry = index.entryFor(w);
        if (entry && !ids.contains(entry->id))
            ids << entry->id;
    }
    return ids;
}

QStringList RunningApplications::ids()
{
    index_.refresh();
    return runningApplicationIds(windows_.snapshot(), index_);
}

} // namespace fw
