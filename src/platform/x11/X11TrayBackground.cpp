// The colour of the tray beside an embedded icon: the screen read around the icon's window, within
// the panel holding it, never under it (an icon with an alpha channel shows there unblended where a
// tray does not blend it itself, black where it is clear).
#include "platform/x11/X11TrayHost.h"

#include "platform/x11/X11Connection.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <map>

namespace fw {

namespace {

struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    bool empty() const { return width <= 0 || height <= 0; }
    bool contains(int px, int py) const { return px >= x && py >= y && px < x + width && py < y + height; }
    Box meet(const Box& o) const
    {
        const int left = std::max(x, o.x), top = std::max(y, o.y);
        return {left, top, std::min(x + width, o.x + o.width) - left, std::min(y + height, o.y + o.height) - top};
    }
};

// The window's rectangle on the root; nothing when it is gone.
std::optional<Box> rootBox(xcb_connection_t* c, xcb_window_t root, xcb_window_t window)
{
    auto geometry = FW_XCB_REPLY(c, xcb_get_geometry, xcb_get_geometry(c, window));
    auto at = FW_XCB_REPLY(c, xcb_translate_coordinates, xcb_translate_coordinates(c, window, root, 0, 0));
    if (!geometry || !at)
        return std::nullopt;
    return Box{at->dst_x, at->dst_y, geometry->width, geometry->height};
}

// The top-level window holding the window (the panel, or a frame round it); nothing when the
// window is one itself (not embedded yet) or is gone.
std::optional<xcb_window_t> holder(xcb_connection_t* c, xcb_window_t window)
{
    xcb_window_t at = window;
    for (int depth = 0; depth < 32; ++depth) {
        auto tree = FW_XCB_REPLY(c, xcb_query_tree, xcb_query_tree(c, at));
        if (!tree)
            return std::nullopt;
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE)
            return at == window ? std::nullopt : std::optional<xcb_window_t>(at);
        at = tree->parent;
    }
    return std::nullopt;
}

// The colour most of the pixels outside the icon agree on (to 4 bits a channel, averaged within):
// nothing when too few were read or no colour holds a quarter of them.
std::optional<std::uint32_t> dominantColour(const std::uint8_t* pixels, const Box& area, const Box& icon, bool lsbFirst)
{
    struct Bin {
        int count = 0;
        long red = 0, green = 0, blue = 0;
    };
    std::map<int, Bin> bins;
    int total = 0;
    for (int y = 0; y < area.height; ++y) {
        for (int x = 0; x < area.width; ++x) {
            if (icon.contains(area.x + x, area.y + y))
                continue;
            const std::uint8_t* p = pixels + (std::size_t(y) * area.width + x) * 4;
            const int r = lsbFirst ? p[2] : p[1], g = lsbFirst ? p[1] : p[2], b = lsbFirst ? p[0] : p[3];
            Bin& bin = bins[(r >> 4) << 8 | (g >> 4) << 4 | (b >> 4)];
            ++bin.count;
            bin.red += r;
            bin.green += g;
            bin.blue += b;
            ++total;
        }
    }
    const auto best = std::max_element(bins.begin(), bins.end(),
                                       [](const auto& a, const auto& b) { return a.second.count < b.second.count; });
    if (total < 8 || best == bins.end() || best->second.count * 4 < total)
        return std::nullopt;
    const Bin& bin = best->second;
    return std::uint32_t(bin.red / bin.count) << 16 | std::uint32_t(bin.green / bin.count) << 8
        | std::uint32_t(bin.blue / bin.count);
}

} // namespace

std::optional<std::uint32_t> X11TrayHost::backgroundBeside(std::uintptr_t icon) const
{
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c || !icon)
        return std::nullopt;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const auto panel = holder(c, xcb_window_t(icon));
    const auto iconBox = rootBox(c, screen->root, xcb_window_t(icon));
    const auto panelBox = panel ? rootBox(c, screen->root, *panel) : std::nullopt;
    if (!iconBox || !panelBox || screen->root_depth != 24)
        return std::nullopt;
    // The icon with as much again on each side, within the panel and the screen: bounded however
    // large the panel.
    const int reach = std::max(iconBox->width, iconBox->height);
    const Box area = Box{iconBox->x - reach, iconBox->y - reach, iconBox->width + 2 * reach, iconBox->height + 2 * reach}
                         .meet(*panelBox)
                         .meet(Box{0, 0, screen->width_in_pixels, screen->height_in_pixels});
    if (area.empty())
        return std::nullopt;
    auto image = FW_XCB_REPLY(c, xcb_get_image,
                              xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, screen->root, std::int16_t(area.x),
                                            std::int16_t(area.y), std::uint16_t(area.width),
                                            std::uint16_t(area.height), ~0u));
    // Depth 24 in 32 bits a pixel, as every true-colour server lays it out.
    if (!image || xcb_get_image_data_length(image.get()) < area.width * area.height * 4)
        return std::nullopt;
    return dominantColour(xcb_get_image_data(image.get()), area, *iconBox,
                          xcb_get_setup(c)->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST);
}

} // namespace fw
