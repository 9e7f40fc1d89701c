#pragma once
// A panel that shows transition frames over the desktop: an overlay panel that lets clicks
// through (override-redirect on X11, with an alpha visual) holding an OpenGL window that fills
// it. Frames are drawn with the shared transition context straight into that window.

#include "base/Geometry.h"
#include "platform/PixelImage.h"

#include <memory>

class QWindow;

namespace fw {

class OverlayWindow;

class TransitionPanel {
public:
    // Level 2 for shader transitions (above ordinary windows, below other panels), 101 for the
    // card shuffle (above everything).
    TransitionPanel(const Rect& frame, int level);
    ~TransitionPanel();
    TransitionPanel(const TransitionPanel&) = delete;
    TransitionPanel& operator=(const TransitionPanel&) = delete;

    QWindow* surface() const { return surface_; }
    OverlayWindow* panel() const { return panel_.get(); }
    // The drawing surface's size in device pixels.
    PixelSize drawableSize() const;
    // Whether the window system shows the surface, so that frames drawn into it appear.
    bool exposed() const;

    void orderFront();
    void orderOut();

private:
    std::unique_ptr<OverlayWindow> panel_;
    QWindow* surface_ = nullptr;   // owned by its container inside the panel
};

} // namespace fw
