#pragma once
// Window capture as the coordinator sees it: still images of windows for the thumbnails of
// its choosers. A thumbnail is a shared, read-only picture in plain memory (PixelImage); the
// coordinator only passes it on to its feedback, and the views see it as their own image type
// at their edge (overlay/ThumbnailImage.h). WindowThumbnails (src/transitions) implements the
// interface; NoThumbnailCapture captures nothing, as capture does without the window-previews
// permission, and stands in where no capture is wanted (tests and benchmarks).

#include "base/Task.h"
#include "platform/PixelImage.h"
#include "windows/ManagedWindow.h"

#include <functional>
#include <memory>
#include <vector>

namespace fw {

using Thumbnail = std::shared_ptr<const PixelImage>;
using ThumbnailDelivery = std::function<void(const ManagedWindow&, Thumbnail)>;

class ThumbnailCapture {
public:
    virtual ~ThumbnailCapture() = default;
    // Captures the windows scaled so that their longer side is at most maxSide and hands
    // each image to `deliver` as it arrives. Yields nothing without the window-previews
    // permission or while another application keeps the display awake.
    virtual Task<void> captureWindowThumbnails(std::vector<ManagedWindow> windows, double maxSide,
                                               ThumbnailDelivery deliver) = 0;
};

class NoThumbnailCapture final : public ThumbnailCapture {
public:
    Task<void> captureWindowThumbnails(std::vector<ManagedWindow>, double, ThumbnailDelivery) override { co_return; }
};

} // namespace fw
