#pragma once
// The edge of our own windows. The ports and the deciding code measure in X's device pixels;
// Qt's widgets, their events, QCursor and QScreen measure in logical pixels. Qt keeps each
// screen's top-left corner where X has it and divides what lies beyond it by the screen's
// device pixel ratio (Xft.dpi / 96 or QT_SCREEN_SCALE_FACTORS: 1.5 and 2 are common), so each
// conversion goes through one screen: a point's own, a rectangle's by its centre (as Qt picks a
// window's screen), the nearest one for a point off every screen. Without screens (no GUI
// application) both spaces are the same.
//
//   panel->setGeometry(DevicePixels::widgetGeometry(frame));      // a frame from the deciding code
//   const Point at = DevicePixels::toDevice(event->globalPosition());

#include "base/Geometry.h"

#include <QPointF>
#include <QRect>
#include <QRectF>

class QScreen;

namespace fw::DevicePixels {

QPointF toLogical(Point device);
Point toDevice(const QPointF& logical);
QRectF toLogical(const Rect& device);
Rect toDevice(const QRectF& logical);
// The same for layout code that takes Rect whichever space it works in.
Rect logicalFrame(const Rect& device);
Rect deviceFrame(const Rect& logical);

// The logical geometry of a top-level widget over a device frame: its edges rounded to whole
// logical pixels, so that frames sharing an edge keep sharing it.
QRect widgetGeometry(const Rect& device);

// The device pixels Qt gives a top-level window of this logical geometry (its offset from its
// screen's corner and its size each scaled and rounded).
Rect windowFrame(const QRect& logical);

// Device pixels per logical pixel at a device point.
double ratioAt(Point device);

// A screen's rectangle in device pixels. Its size is only as exact as Qt's logical one (within
// a device pixel at fractional ratios): for choosing a screen, not for laying out windows.
Rect deviceGeometry(const QScreen& screen);

// Where the pointer is, in device pixels.
Point cursor();

} // namespace fw::DevicePixels
