#pragma once
// Panel stacking on X11: sibling restacks with ConfigureWindow on the application's own xcb
// connection, and the compositing manager found as the owner of _NET_WM_CM_S<screen>. The
// owner is read once and then followed through XFixes selection notices on Qt's connection
// (read anew on every question where the server has no XFixes).

#include "platform/PanelStacking.h"

#include <memory>

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
    void prepareManaged(std::uint64_t panel) override;

    bool available() const { return connection_ != nullptr; }
    // The top-level ancestor (child of root) of a window: its window-manager frame, or the
    // window itself when unmanaged. 0 when the window is gone.
    std::uint32_t frameOf(std::uint32_t window) const;

private:
    class CompositorWatch;
    bool readOwner() const;
    std::uint32_t atom(const char* name) const;
    bool kwinManages() const;

    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    int screen_ = 0;
    std::uint32_t selection_ = 0;   // _NET_WM_CM_S<screen>
    bool compositing_ = false;      // as last heard, while the watch runs
    std::function<void()> observer_;
    std::unique_ptr<CompositorWatch> watch_;
};

} // namespace fw
