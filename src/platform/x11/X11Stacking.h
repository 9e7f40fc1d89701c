#pragma once
// Panel stacking on X11: sibling restacks with ConfigureWindow on the application's own xcb
// connection, and the compositing manager found as the owner of _NET_WM_CM_S<screen>.

#include "platform/PanelStacking.h"

struct xcb_connection_t;

namespace fw {

class X11Stacking final : public PanelStacking {
public:
    // Uses the Qt application's X connection; inert (no restacks, not compositing) when Qt
    // does not run on X11.
    X11Stacking();

    bool orderBelow(std::uint64_t panel, WindowId window) override;
    void orderToBack(std::uint64_t panel) override;
    bool compositing() const override;

    bool available() const { return connection_ != nullptr; }
    // The top-level ancestor (child of root) of a window: its window-manager frame, or the
    // window itself when unmanaged. 0 when the window is gone.
    std::uint32_t frameOf(std::uint32_t window) const;

private:
    xcb_connection_t* connection_ = nullptr;
    std::uint32_t root_ = 0;
    int screen_ = 0;
};

} // namespace fw
