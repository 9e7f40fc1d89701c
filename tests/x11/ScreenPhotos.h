#pragma once
// Photographs of a test session's screen for the real-server tests: an area as the server
// shows it (through the Qt application's screen), and the share of pixels that differ between
// two photographs of the same area.

#include "base/Geometry.h"

#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>

namespace fw::test {

inline QImage grab(const Rect& r)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, int(r.minX()), int(r.minY()), int(r.width()), int(r.height()))
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
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
