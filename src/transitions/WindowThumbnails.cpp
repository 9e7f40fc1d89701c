// Captures chooser thumbnails one window per turn of the main loop, within a shared pixel budget,
// handing each over as it is taken.
#include "transitions/WindowThumbnails.h"

#include <algorithm>
#include <cmath>

namespace fw {

double thumbnailSideLimit(double maxSide, std::size_t count)
{
    double side = 520;
    if (std::isfinite(maxSide))
        side = maxSide < 1 ? 1 : std::min(maxSide, 1280.0);
    const double share = std::floor(std::sqrt(kThumbnailPixelBudget / double(std::max<std::size_t>(count, 1))));
    return std::min(side, share);
}

PixelSize thumbnailSize(const Size& frame, double limit)
{
    const double longer = std::max(frame.width, frame.height);
    // Divided last, so that exact ratios stay exact before truncation.
    auto side = [&](double length) {
        const double scaled = longer > limit ? length * limit / longer : length;
        return std::max(int(scaled), 1);
    };
    return {side(frame.width), side(frame.height)};
}

WindowThumbnails::WindowThumbnails(WindowAccess& access, Permissions& permissions, WindowCapture& capture)
    : access_(access), permissions_(permissions), capture_(capture)
{
}

Task<void> WindowThumbnails::captureWindowThumbnails(std::vector<ManagedWindow> windows, double maxSide,
                                                     ThumbnailDelivery deliver)
{
    if (windows.empty() || !permissions_.windowPreviewsGranted() || access_.otherAppKeepsDisplayAwake()
        || !capture_.available())
        co_return;
    const double limit = thumbnailSideLimit(maxSide, windows.size());
    // Nothing in the caller's own turn, then one capture per turn of the loop: the chooser stays
    // responsive between them, and a caller that no longer wants the images ends this task in
    // between.
    const bool turned = co_await access_.clock().sleep(Duration(0));
    (void)turned;
    const WindowList list = access_.windowSystem().snapshot();
    for (std::size_t i = 0; i < windows.size(); ++i) {
        if (i > 0) {
            const bool next = co_await access_.clock().sleep(Duration(0));
            (void)next;
        }
        const ManagedWindow& window = windows[i];
        auto picture = captureOne(window, list, limit);
        if (picture && deliver)
            deliver(window, std::make_shared<const PixelImage>(std::move(*picture)));
    }
}

std::optional<PixelImage> WindowThumbnails::captureOne(const ManagedWindow& window, const WindowList& list,
                                                       double limit)
{
    const auto frame = access_.frame(window);
    if (!frame || !capturableFrame(*frame))
        return std::nullopt;
    // Only a window on screen has a picture; another window at the same place is never taken
    // in its stead.
    const auto number = access_.windowID(window, list);
    if (!number)
        return std::nullopt;
    auto picture = capture_.captureWindow(*number, *frame, thumbnailSize(frame->size, limit));
    if (!picture || picture->isNull())
        return std::nullopt;
    const auto after = access_.frame(window);
    if (!after || !sameFrame(*after, *frame, kCaptureStillTolerance))
        return std::nullopt;
    return picture;
}

} // namespace fw
