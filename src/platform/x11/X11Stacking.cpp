#include "platform/x11/X11Stacking.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

namespace fw {

namespace {

template<typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

template<typename T>
Reply<T> reply(T* p) { return Reply<T>(p, &std::free); }

} // namespace

X11Stacking::X11Stacking()
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    connection_ = x11->connection();
    // The screen Qt uses is the default one of the display name; Xvfb test sessions have one.
    const xcb_setup_t* setup = xcb_get_setup(connection_);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(setup);
    if (!it.rem) {
        connection_ = nullptr;
        return;
    }
    root_ = it.data->root;
    screen_ = 0;
}

std::uint32_t X11Stacking::frameOf(std::uint32_t window) const
{
    if (!connection_ || window == 0)
        return 0;
    std::uint32_t current = window;
    // Window managers reparent at most a few levels deep; bound the walk anyway.
    for (int depth = 0; depth < 16; ++depth) {
        auto tree = reply(xcb_query_tree_reply(connection_, xcb_query_tree(connection_, current), nullptr));
        if (!tree)
            return 0;
        if (tree->parent == tree->root || tree->parent == 0)
            return current;
        current = tree->parent;
    }
    return 0;
}

bool X11Stacking::orderBelow(std::uint64_t panel, WindowId window)
{
    if (!connection_)
        return false;
    const std::uint32_t frame = frameOf(std::uint32_t(window));
    if (frame == 0 || frame == panel)
        return false;
    const std::uint32_t values[] = {frame, XCB_STACK_MODE_BELOW};
    auto cookie = xcb_configure_window_checked(connection_, std::uint32_t(panel),
                                               XCB_CONFIG_WINDOW_SIBLING | XCB_CONFIG_WINDOW_STACK_MODE, values);
    std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(xcb_request_check(connection_, cookie), &std::free);
    return !error;
}

void X11Stacking::orderToBack(std::uint64_t panel)
{
    if (!connection_)
        return;
    const std::uint32_t values[] = {XCB_STACK_MODE_BELOW};
    xcb_configure_window(connection_, std::uint32_t(panel), XCB_CONFIG_WINDOW_STACK_MODE, values);
    xcb_flush(connection_);
}

bool X11Stacking::compositing() const
{
    if (!connection_)
        return false;
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen_);
    auto atom = reply(xcb_intern_atom_reply(connection_, xcb_intern_atom(connection_, 1, name.size(), name.constData()), nullptr));
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false;
    auto owner = reply(xcb_get_selection_owner_reply(connection_, xcb_get_selection_owner(connection_, atom->atom), nullptr));
    return owner && owner->owner != XCB_WINDOW_NONE;
}

} // namespace fw
