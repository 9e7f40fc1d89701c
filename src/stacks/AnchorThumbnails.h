#pragma once
// A stack anchor's thumbnails: the images taken for the switcher on show and the capture
// taking them. Each capture has a serial; images of an earlier one are dropped, since they
// belong to a picker no longer shown. Main thread only.

#include "base/TaskScope.h"
#include "snap/ThumbnailCapture.h"
#include "windows/ManagedWindow.h"

#include <cstdint>
#include <optional>
#include <unordered_map>

namespace fw {

class AnchorThumbnails {
public:
    static constexpr double side = 360;   // the longest side a thumbnail is captured at

    std::unordered_map<ManagedWindow, Thumbnail> images;
    std::optional<TaskScope::Id> task;
    std::uint64_t serial = 0;             // the capture whose images are taken

    // Ends the running capture, if any; its images are no longer taken.
    void stop(TaskScope& tasks)
    {
        if (task)
            tasks.cancel(*task);
        task.reset();
        ++serial;
    }
    bool capturing(const TaskScope& tasks) const { return task && tasks.running(*task); }
};

} // namespace fw
