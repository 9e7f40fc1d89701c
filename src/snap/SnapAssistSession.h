#pragma once
// Snap assist: after a placement left regions of a layout empty, one chooser per open region
// offers the display's other windows. The session names the regions with their frames, the
// candidate windows, the windows chosen so far and the regions skipped; the assist state adds
// the thumbnails captured for the candidates and the task capturing them.

#include "base/Geometry.h"
#include "base/TaskScope.h"
#include "layout/RegionTree.h"
#include "snap/ThumbnailCapture.h"
#include "windows/ManagedWindow.h"

#include <map>
#include <optional>
#include <set>
#include <unordered_map>
#include <vector>

namespace fw {

template<typename W>
struct SnapAssistSession {
    std::map<RegionNumber, Rect> regions;
    std::vector<W> candidates;
    std::map<RegionNumber, W> occupied;
    std::set<RegionNumber> skipped;

    // Neither chosen for nor skipped.
    bool isOpen(RegionNumber region) const { return !occupied.count(region) && !skipped.count(region); }
    // The candidates not chosen for any region, in candidate order.
    std::vector<W> availableWindows() const
    {
        std::vector<W> out;
        for (const W& w : candidates) {
            bool taken = false;
            for (const auto& [r, o] : occupied)
                taken = taken || o == w;
            if (!taken)
                out.push_back(w);
        }
        return out;
    }
};

class AssistState {
public:
    std::optional<SnapAssistSession<ManagedWindow>> assistSession;
    std::optional<TaskScope::Id> thumbnailTask;
    std::unordered_map<ManagedWindow, Thumbnail> thumbnails;

    // Ends the session: the capture task is cancelled and the thumbnails dropped.
    void end(TaskScope& tasks)
    {
        if (thumbnailTask)
            tasks.cancel(*thumbnailTask);
        thumbnailTask.reset();
        thumbnails.clear();
        assistSession.reset();
    }
};

} // namespace fw
