#pragma once
// Panel stacking on X11: sibling restacks with ConfigureWindow on the application's own xcb
// connection, and the compositing manager found as the owner of _NET_WM_CM_S<screen> that
// also paints the windows itself (so blends translucent pixels). The owner is read once and
// then followed through XFixes selection notices on Qt's connection (read anew on every
// question where the server has no XFixes). Every panel is readied before it maps: size hints
// every window manager reads alike, and marks of casting no shadow, in the properties
// compositing managers read for that.

#include "platform/PanelStacking.h"

#include <array>
#include <cstddef>
#include <memory>

class QTimer;
struct xcb_connection_t;

namespace fw {

class X11Stacking final : public PanelStacking {
public:
    // Uses the Qt application's X connection; inert (no restacks, not compositing) when Qt
    // does not run on X11.
    X11Stacking();
    ~X11Stacking() override;
    X11Stacking(const X11Stacking&) = delete;
    X11Stacking& operator=(const X11Stacking&) = delete;

    bool orderBelow(std::uint64_t panel, WindowId window) override;
    void orderToBack(std::uint64_t panel) override;
    bool compositing() const override;
    void setCompositingObserver(std::function<void()> changed) override;
    void preparePanel(std::uint64_t panel) override;
    void setInputShape(std::uint64_t panel, const std::optional<std::vector<Rect>>& rects) override;

    bool available() const { return connection_ != nullptr; }
    // The top-level ancestor (child of root) of a window: its window-manager frame, or the
    // window itself when unmanaged. 0 when the window is gone.
    std::uint32_t frameOf(std::uint32_t window) const;

private:
    class CompositorWatch;
    bool readOwner() const;
    bool blendingNow() const;
    void recheck();
    void probeAgainLater();
    std::uint32_t atom(const char* name) const;
    void giveBaseSize(std::uint64_t panel);

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    int screen_ = 0;
    std::uint32_t selection_ = 0;   // _NET_WM_CM_S<screen>
    bool owned_ = false;            // the selection has an owner, as last heard
    bool compositing_ = false;      // ... and it blends, as last found, while the watch runs
    bool xwayland_ = false;         // the Wayland compositor paints every window
    std::size_t probes_ = 0;        // re-checks made since the owner last changed
    std::unique_ptr<QTimer> probeTimer_;
    std::function<void()> observer_;
    std::unique_ptr<CompositorWatch> watch_;
    std::array<std::uint32_t, 2> shadowAtoms_{};   // _COMPTON_SHADOW, _GTK_FRAME_EXTENTS once read
};

} // namespace fw
