#pragma once
// Window capture port: still pictures of other applications' windows, and of the desktop as it
// looks with only some windows on it. Callers choose the output size (the transitions, the
// card shuffle and the thumbnails each have their own budget); the adapter takes the window's
// current picture at its own size and scales it. Synchronous: a capture costs about a
// millisecond, and callers that take many yield between them.

#include "base/Geometry.h"
#include "platform/PixelImage.h"
#include "platform/WindowSystem.h"

#include <optional>
#include <vector>

namespace fw {

// A frame a picture can be taken of: finite, with some width and height.
inline bool capturableFrame(const Rect& r) { return r.isFinite() && r.width() > 0 && r.height() > 0; }

class WindowCapture {
public:
    virtual ~WindowCapture() = default;

    // False when this desktop cannot capture windows at all; every capture then gives nothing.
    virtual bool available() = 0;

    // The part of the window inside `frame` (global device pixels: normally its frame as the window
    // port reads it, so decorations are included and client-side shadows left out), as it
    // looks now, scaled to `size` pixels. Nothing when the window is gone, not shown (an
    // unmapped or minimized window has no picture), does not meet the frame, or `size` is empty.
    virtual std::optional<PixelImage> captureWindow(WindowId window, const Rect& frame, PixelSize size) = 0;

    // What the desktop shows inside `area` (global device pixels) when only `windows` are on it: the
    // desktop's background (wallpaper, else its desktop window, else black), then each listed
    // window bottom to top at its place as it looks now, scaled to `size` pixels. Windows that
    // cannot be captured are left out. Nothing when `area` or `size` is empty.
    virtual std::optional<PixelImage> captureDesktop(const Rect& area, const std::vector<WindowId>& windowsBottomToTop,
                                                     PixelSize size) = 0;
};

} // namespace fw
