#pragma once
// Thumbnails of windows for the choosers (region assist, the stack switcher): still pictures
// taken one window per turn of the main loop, each scaled to the caller's longest side and to
// a pixel budget that the whole call shares, and handed over as soon as it is taken. Nothing is
// taken without the window-previews permission or while another application keeps the display
// awake; a window that cannot be captured (gone, not shown, moved meanwhile) is left out.
// Each picture is handed over as it was captured (a PixelImage); the views turn it into their
// own image type.

#include "platform/Permissions.h"
#include "platform/PixelImage.h"
#include "platform/WindowCapture.h"
#include "snap/ThumbnailCapture.h"
#include "windows/WindowAccess.h"

#include <optional>

namespace fw {

// All thumbnails of one call together hold at most this many pixels.
inline constexpr double kThumbnailPixelBudget = 8388608;   // 2^23

// The longest side of each thumbnail of a call for `count` windows: the caller's side (520
// when not finite, at least 1, at most 1280) within the call's share of the pixel budget.
double thumbnailSideLimit(double maxSide, std::size_t count);
// A frame's picture size for a side limit: scaled down so that its longer side is the limit,
// never enlarged, each side at least 1 pixel (one pixel per point).
PixelSize thumbnailSize(const Size& frame, double limit);

class WindowThumbnails final : public ThumbnailCapture {
public:
    WindowThumbnails(WindowAccess& access, Permissions& permissions, WindowCapture& capture);

    Task<void> captureWindowThumbnails(std::vector<ManagedWindow> windows, double maxSide,
                                       ThumbnailDelivery deliver) override;

private:
    std::optional<PixelImage> captureOne(const ManagedWindow& window, const WindowList& list, double limit);

    WindowAccess& access_;
    Permissions& permissions_;
    WindowCapture& capture_;
};

} // namespace fw
