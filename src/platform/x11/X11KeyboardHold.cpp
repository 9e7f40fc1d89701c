// The keyboard held for one of our windows during a recording: an active grab on Qt's connection.
#include "platform/x11/X11KeyboardHold.h"

#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

namespace fw::x11 {

namespace {
xcb_connection_t* toolkitConnection()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}
} // namespace

bool holdKeyboard(std::uint64_t window)
{
    xcb_connection_t* c = toolkitConnection();
    if (!c || !window)
        return false;
    // Every press reported to the window, whichever of ours has the focus.
    const auto reply = FW_XCB_REPLY(c, xcb_grab_keyboard,
                                    xcb_grab_keyboard(c, 0, xcb_window_t(window), XCB_CURRENT_TIME,
                                                      XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
}

void releaseKeyboard()
{
    if (xcb_connection_t* c = toolkitConnection()) {
        xcb_ungrab_keyboard(c, XCB_CURRENT_TIME);
        xcb_flush(c);
    }
}

} // namespace fw::x11
