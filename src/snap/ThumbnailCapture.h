#pragma once
// Window capture as the coordinator sees it: still images of windows for the thumbnails of
// its choosers. Images are opaque here (the coordinator only passes them on to its feedback);
// the capture subsystem implements the interface, and NoThumbnailCapture, which captures
// nothing, stands in until then, exactly as capture does without the previews permission.

#include "base/Task.h"
#include "windows/ManagedWindow.h"

#include <functional>
#include <memory>
#include <vector>

class QImage;

namespace fw {

using Thumbnail = std::shared_ptr<const QImage>;
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
