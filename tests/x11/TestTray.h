#pragma once
// An XEmbed tray of a test's own, as a panel's status area runs one: a panel of one colour at the
// top right, the tray selection with a visual of 32 bits offered to icons (as the Qt and GTK
// panels of LXQt and Xfce do), and every icon that asks docked in the panel with room around it.
// It draws nothing over its icons: without a compositing manager an icon with an alpha channel
// shows there unblended, black where it is clear. What a tray that blends its icons shows is
// read from the icon's own picture over the panel's colour (shownContrast).
//
//   TestTray tray(session.display(), 0xf0f0f0);
//   session.waitFor([&] { tray.serve(); return tray.icon() != XCB_NONE; });

#include "x11/XSession.h"

#include <QByteArray>
#include <QColor>

#include <xcb/xcb.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace fw::test {

class TestTray {
public:
    static constexpr int panelWidth = 400, panelHeight = 40, iconSide = 24;

    TestTray(const QByteArray& display, std::uint32_t colour) : colour_(colour)
    {
        int number = 0;
        c_ = xcb_connect(display.constData(), &number);
        if (xcb_connection_has_error(c_))
            return;
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c_)).data;
        root_ = screen->root;
        xcb_visualid_t argb = 0;
        for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem && !argb; xcb_depth_next(&d)) {
            if (d.data->depth != 32)
                continue;
            for (auto v = xcb_depth_visuals_iterator(d.data); v.rem && !argb; xcb_visualtype_next(&v))
                argb = v.data->_class == XCB_VISUAL_CLASS_TRUE_COLOR ? v.data->visual_id : 0;
        }
        if (!argb)
            return;
        panel_ = xcb_generate_id(c_);
        const std::uint32_t values[] = {colour, 1};
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, panel_, root_, std::int16_t(screen->width_in_pixels - panelWidth), 0,
                          panelWidth, panelHeight, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                          XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, values);
        xcb_map_window(c_, panel_);
        manager_ = xcb_generate_id(c_);
        xcb_create_window(c_, XCB_COPY_FROM_PARENT, manager_, root_, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                          XCB_COPY_FROM_PARENT, 0, nullptr);
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, manager_, atom("_NET_SYSTEM_TRAY_VISUAL"), XCB_ATOM_VISUALID, 32,
                            1, &argb);
        const std::uint32_t horizontal = 0;
        xcb_change_property(c_, XCB_PROP_MODE_REPLACE, manager_, atom("_NET_SYSTEM_TRAY_ORIENTATION"),
                            XCB_ATOM_CARDINAL, 32, 1, &horizontal);
        const xcb_atom_t selection = atom("_NET_SYSTEM_TRAY_S" + QByteArray::number(number));
        xcb_set_selection_owner(c_, manager_, selection, XCB_CURRENT_TIME);
        // Said to every client, as a tray that starts says it.
        send(root_, root_, atom("MANAGER"), XCB_EVENT_MASK_STRUCTURE_NOTIFY, {XCB_CURRENT_TIME, selection, manager_});
        xcb_flush(c_);
        opcode_ = atom("_NET_SYSTEM_TRAY_OPCODE");
        xembed_ = atom("_XEMBED");
    }
    ~TestTray()
    {
        if (c_)
            xcb_disconnect(c_);   // the server destroys the panel and frees the selection
    }
    TestTray(const TestTray&) = delete;
    TestTray& operator=(const TestTray&) = delete;

    bool ok() const { return c_ && !xcb_connection_has_error(c_) && panel_; }
    xcb_window_t icon() const { return icon_; }

    // Docks the icon that asked: in the panel, a side's width from its right end.
    void serve()
    {
        while (xcb_generic_event_t* event = xcb_poll_for_event(c_)) {
            const auto* message = reinterpret_cast<const xcb_client_message_event_t*>(event);
            if ((event->response_type & 0x7f) == XCB_CLIENT_MESSAGE && message->type == opcode_
                && message->data.data32[1] == 0)
                dock(message->data.data32[2]);
            std::free(event);
        }
    }

    // The best contrast with the panel of any pixel of the icon as a tray that blends it shows
    // it: the icon's own pixels (alpha premultiplied) over the panel's colour. 1 when unread.
    double shownContrast() const
    {
        auto* image = xcb_get_image_reply(c_, xcb_get_image(c_, XCB_IMAGE_FORMAT_Z_PIXMAP, icon_, 0, 0, iconSide,
                                                            iconSide, ~0u), nullptr);
        double best = 1;
        if (image && image->depth == 32 && xcb_get_image_data_length(image) >= iconSide * iconSide * 4) {
            const std::uint8_t* p = xcb_get_image_data(image);
            const QColor panel = QColor::fromRgb(colour_);
            for (int i = 0; i < iconSide * iconSide; ++i, p += 4) {
                const auto over = [&](int premultiplied, int behind) { return premultiplied + (255 - p[3]) * behind / 255; };
                const QColor shown(std::min(255, over(p[2], panel.red())), std::min(255, over(p[1], panel.green())),
                                   std::min(255, over(p[0], panel.blue())));
                best = std::max(best, contrast(shown, panel));
            }
        }
        std::free(image);
        return best;
    }

    static double contrast(const QColor& a, const QColor& b)
    {
        const auto luminance = [](const QColor& c) {
            const auto channel = [](double s) { return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4); };
            return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
        };
        const double la = luminance(a), lb = luminance(b);
        return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
    }

private:
    xcb_atom_t atom(const QByteArray& name) const
    {
        auto* r = xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, std::uint16_t(name.size()), name.constData()), nullptr);
        const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }

    void send(xcb_window_t to, xcb_window_t about, xcb_atom_t type, std::uint32_t mask,
              std::initializer_list<std::uint32_t> data) const
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = about;
        message.type = type;
        std::copy(data.begin(), data.end(), message.data.data32);
        xcb_send_event(c_, 0, to, mask, reinterpret_cast<const char*>(&message));
    }

    void dock(xcb_window_t icon)
    {
        icon_ = icon;
        // Back to the root, not destroyed with the panel, when this tray goes (as trays do).
        xcb_change_save_set(c_, XCB_SET_MODE_INSERT, icon);
        xcb_reparent_window(c_, icon, panel_, panelWidth - 2 * iconSide, (panelHeight - iconSide) / 2);
        const std::uint32_t side[] = {iconSide, iconSide};
        xcb_configure_window(c_, icon, XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, side);
        xcb_map_window(c_, icon);
        send(icon, icon, xembed_, XCB_EVENT_MASK_NO_EVENT, {XCB_CURRENT_TIME, 0, 0, panel_});   // EMBEDDED_NOTIFY
        xcb_flush(c_);
    }

    std::uint32_t colour_;
    xcb_connection_t* c_ = nullptr;
    xcb_window_t root_ = XCB_NONE, panel_ = XCB_NONE, manager_ = XCB_NONE, icon_ = XCB_NONE;
    xcb_atom_t opcode_ = XCB_ATOM_NONE, xembed_ = XCB_ATOM_NONE;
};

} // namespace fw::test
