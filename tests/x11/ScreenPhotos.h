#pragma once
// Photographs of a test session's screen for the real-server tests: an area as the server
// shows it (through the Qt application's screen, or read from the root window in device
// pixels), and the share of pixels that differ between two photographs of the same area.

#include "base/Geometry.h"
#include "x11/XSession.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <xcb/xcb.h>

namespace fw::test {

// A part of the screen in device pixels as the server shows it (what lies off the screen cut
// away), read from the root window (Qt's grab scales its "whole window" size at 200 % into one
// no server answers).
inline QImage rootArea(XSession& session, const Rect& device)
{
    xcb_connection_t* c = session.connection();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const QRect r = QRect(int(device.minX()), int(device.minY()), int(device.width()), int(device.height()))
                        .intersected(QRect(0, 0, screen->width_in_pixels, screen->height_in_pixels));
    if (r.isEmpty())
        return {};
    auto cookie = xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, session.root(), std::int16_t(r.x()), std::int16_t(r.y()),
                                std::uint16_t(r.width()), std::uint16_t(r.height()), ~0u);
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> reply(xcb_get_image_reply(c, cookie, nullptr), &std::free);
    if (!reply || xcb_get_image_data_length(reply.get()) < r.width() * r.height() * 4)
        return {};
    return QImage(xcb_get_image_data(reply.get()), r.width(), r.height(), r.width() * 4, QImage::Format_RGB32).copy();
}

inline QImage grab(const Rect& r)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, int(r.minX()), int(r.minY()), int(r.width()), int(r.height()))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

// Waits, bounded, until the screen holds still over the area in device pixels (the whole
// screen when none): two looks in a row alike, every window repainted and what a compositing
// manager draws drawn. For photographs taken for review.
inline void waitStill(XSession& session, std::optional<Rect> device = std::nullopt, int timeoutMs = 2000)
{
    if (!device) {
        const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(session.connection())).data;
        device = Rect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    }
    QImage last;
    session.waitFor([&] {
        QImage now = rootArea(session, *device);
        const bool still = !last.isNull() && now == last;
        last = std::move(now);
        return still;
    }, timeoutMs);
}

inline double changed(const QImage& a, const QImage& b)
{
    if (a.size() != b.size() || a.isNull())
        return 0;
    qint64 n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return double(n) / (double(a.width()) * a.height());
}

} // namespace fw::test
