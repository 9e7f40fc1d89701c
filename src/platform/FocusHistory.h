#pragma once
// Focus-history port: which window of another program the user was working in when a window
// of ours took the focus (a click on one of our buttons focuses our window first), so that the
// commands acting on "this window" still act on the user's window then. Windows are named by
// their native ids.

#include "platform/WindowSystem.h"

#include <optional>

namespace fw {

class FocusHistory {
public:
    virtual ~FocusHistory() = default;
    // While a window of ours holds the focus: the last window of another program that held it
    // before (it may have gone since); nothing while another program's window or no window
    // holds it, or when none held it since we started.
    virtual std::optional<WindowId> windowBeforeOurs() = 0;
};

} // namespace fw
