// The edge of our own windows (DevicePixels.h): points and rectangles between X's device pixels
// and Qt's logical pixels, each through one screen.
#include "platform/qt/DevicePixels.h"

#include <QCursor>
#include <QGuiApplication>
#include <QScreen>

#include <algorithm>
#include <cmath>
#include <limits>

namespace fw::DevicePixels {

namespace {

struct Frame {
    QPointF origin;   // the same in both spaces
    double ratio = 1;
};

// Half-open containment, so that two screens sharing an edge never both claim a point on it.
bool within(const QRectF& r, const QPointF& p)
{
    return p.x() >= r.left() && p.x() < r.left() + r.width() && p.y() >= r.top() && p.y() < r.top() + r.height();
}

double distanceTo(const QRectF& r, const QPointF& p)
{
    const double dx = std::max({r.left() - p.x(), 0.0, p.x() - (r.left() + r.width())});
    const double dy = std::max({r.top() - p.y(), 0.0, p.y() - (r.top() + r.height())});
    return std::hypot(dx, dy);
}

QRectF deviceRect(const QScreen& s)
{
    const QRect g = s.geometry();
    const double r = s.devicePixelRatio();
    return QRectF(g.x(), g.y(), g.width() * r, g.height() * r);
}

// The screen holding a point, else the nearest; `device` says in which space the point is.
Frame frameAt(const QPointF& p, bool device)
{
    if (!qGuiApp)
        return {};
    const QScreen* best = nullptr;
    double nearest = std::numeric_limits<double>::infinity();
    for (const QScreen* s : QGuiApplication::screens()) {
        const QRectF r = device ? deviceRect(*s) : QRectF(s->geometry());
        if (within(r, p)) {
            best = s;
            break;
        }
        if (const double d = distanceTo(r, p); d < nearest) {
            nearest = d;
            best = s;
        }
    }
    if (!best)
        return {};
    return {QPointF(best->geometry().topLeft()), best->devicePixelRatio()};
}

QPointF logicalIn(const Frame& f, const QPointF& device) { return f.origin + (device - f.origin) / f.ratio; }
QPointF deviceIn(const Frame& f, const QPointF& logical) { return f.origin + (logical - f.origin) * f.ratio; }

} // namespace

QPointF toLogical(Point device)
{
    const QPointF p(device.x, device.y);
    return logicalIn(frameAt(p, true), p);
}

Point toDevice(const QPointF& logical)
{
    const QPointF p = deviceIn(frameAt(logical, false), logical);
    return Point{p.x(), p.y()};
}

QRectF toLogical(const Rect& device)
{
    const Frame f = frameAt(QPointF(device.midX(), device.midY()), true);
    return QRectF(logicalIn(f, QPointF(device.x(), device.y())), QSizeF(device.width(), device.height()) / f.ratio);
}

Rect toDevice(const QRectF& logical)
{
    const Frame f = frameAt(logical.center(), false);
    const QPointF o = deviceIn(f, logical.topLeft());
    return Rect(o.x(), o.y(), logical.width() * f.ratio, logical.height() * f.ratio);
}

Rect logicalFrame(const Rect& device)
{
    const QRectF r = toLogical(device);
    return Rect(r.x(), r.y(), r.width(), r.height());
}

Rect deviceFrame(const Rect& logical)
{
    return toDevice(QRectF(logical.x(), logical.y(), logical.width(), logical.height()));
}

QRect widgetGeometry(const Rect& device)
{
    const QRectF r = toLogical(device);
    const int left = int(std::lround(r.left())), top = int(std::lround(r.top()));
    const int right = int(std::lround(r.left() + r.width())), bottom = int(std::lround(r.top() + r.height()));
    return QRect(left, top, right - left, bottom - top);
}

Rect windowFrame(const QRect& logical)
{
    const Frame f = frameAt(QRectF(logical).center(), false);
    const QPointF offset = (QPointF(logical.topLeft()) - f.origin) * f.ratio;
    return Rect(f.origin.x() + std::round(offset.x()), f.origin.y() + std::round(offset.y()),
                std::round(logical.width() * f.ratio), std::round(logical.height() * f.ratio));
}

double ratioAt(Point device) { return frameAt(QPointF(device.x, device.y), true).ratio; }

Rect deviceGeometry(const QScreen& screen)
{
    const QRectF r = deviceRect(screen);
    return Rect(r.x(), r.y(), std::round(r.width()), std::round(r.height()));
}

Point cursor() { return toDevice(QPointF(QCursor::pos())); }

} // namespace fw::DevicePixels
