#pragma once
// Window capture on X11 through the Composite extension. A window's top-level (its window
// manager frame, decorations included) is redirected once, in automatic mode so that it still
// shows on screen; for each capture its off-screen pixmap is named anew (a resize gives the
// window a new pixmap, so a kept name would show the old size) and read with MIT-SHM GetImage,
// or plain GetImage where shared memory cannot be attached. A window that is not viewable has
// no pixmap and gives nothing; so does every capture on a server without Composite. The
// desktop background is the wallpaper pixmap (_XROOTPMAP_ID, else ESETROOT_PMAP_ID), else the
// desktop window, else black. Own connection; one thread uses one instance.
//
// Without a compositing manager nothing keeps the picture of a covered window: a window
// redirected only when it is captured shows its bare background until its client has painted
// it again. keepPictures() redirects every top-level window from then on (the program does so
// at start), so covered windows keep their pictures; a window redirected only at its capture
// gives nothing that first time when no compositing manager runs (a chooser shows the
// application's icon instead), and neither does a picture that is transparent all over.

#include "platform/WindowCapture.h"

#include <QByteArray>
#include <cstdint>
#include <memory>
#include <optional>
#include <unordered_set>
#include <vector>

namespace fw {

namespace x11 {
class Connection;
}

class X11WindowCapture final : public WindowCapture {
public:
    // Connects to the display name given, or to $DISPLAY when empty.
    explicit X11WindowCapture(const QByteArray& displayName = {});
    ~X11WindowCapture() override;
    X11WindowCapture(const X11WindowCapture&) = delete;
    X11WindowCapture& operator=(const X11WindowCapture&) = delete;

    bool connected() const;
    // Redirects every child of the root window, now and to come, in automatic mode (the server
    // still shows them), for as long as this capture lives. False without Composite.
    bool keepPictures();
    // Whether pictures are read through shared memory (false: plain GetImage).
    bool sharedMemory() const { return shm_.usable; }

    bool available() override;
    std::optional<PixelImage> captureWindow(WindowId window, const Rect& frame, PixelSize size) override;
    std::optional<PixelImage> captureDesktop(const Rect& area, const std::vector<WindowId>& windowsBottomToTop,
                                             PixelSize size) override;

private:
    struct TopLevel {
        std::uint32_t window = 0;
        PixelRect rect;          // root coordinates, border included (the pixmap's extent)
        int depth = 0;
        bool viewable = false;   // the top-level and the window asked for are both viewable
    };
    struct SharedMemory {
        bool usable = false;
        std::uint32_t segment = 0;
        int id = -1;
        void* address = nullptr;
        std::size_t size = 0;
    };

    void queryExtensions();
    // The top-level of each window (itself when it is a child of the root), read level by
    // level with pipelined requests; nothing for a window that is gone.
    std::vector<std::optional<TopLevel>> topLevels(const std::vector<std::uint32_t>& windows);
    // A part of the window's current picture, in its pixmap's coordinates.
    std::optional<PixelImage> readWindow(const TopLevel& top, const PixelRect& part);
    std::optional<PixelImage> readDrawable(std::uint32_t drawable, const PixelRect& part, int depth);
    bool reserveSharedMemory(std::size_t bytes);
    void releaseSharedMemory();
    // Paints the wallpaper's part inside `area` (root coordinates) into the canvas of that
    // area; false when there is no wallpaper pixmap.
    bool drawWallpaper(PixelImage& canvas, const PixelRect& area);
    std::optional<std::uint32_t> desktopWindow();
    bool compositorRuns();

    std::unique_ptr<x11::Connection> conn_;
    bool composite_ = false;
    SharedMemory shm_;
    std::uint32_t rootPixmapAtom_ = 0, esetrootAtom_ = 0, compositorAtom_ = 0;
    bool keepingAll_ = false;
    std::unordered_set<std::uint32_t> redirected_;
};

// The picture scaled to the size (smooth filtering); the picture itself when the sizes match.
PixelImage scaledPicture(PixelImage image, PixelSize size);

} // namespace fw
