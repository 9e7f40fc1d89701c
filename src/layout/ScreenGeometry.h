#pragma once
// Display keys and screen coordinates over the screen list (primary first). Screen frames
// are already in global top-left coordinates; the bottom-left conversion remains for the few
// callers that need it.

#include "base/Geometry.h"
#include "platform/Screens.h"

#include <QString>
#include <optional>
#include <vector>

namespace fw {

// The key that names a display in every per-display table: the EDID-derived key, else the
// screen's name. Two displays without a key and with the same name share one.
QString displayKey(const ScreenInfo& screen);
// The screen with the display key, the first in the list.
std::optional<ScreenInfo> screenWithKey(const std::vector<ScreenInfo>& screens, const QString& key);

// The first screen whose frame contains the point (minimum edges in, maximum edges out).
std::optional<ScreenInfo> containing(const std::vector<ScreenInfo>& screens, const Point& point);

// The screen that holds the largest part of a rectangle (the first of equal parts); nothing
// when the rectangle is on none.
std::optional<ScreenInfo> mostOverlapping(const std::vector<ScreenInfo>& screens, const Rect& rect);

// The scale (device pixels per logical one) of the first screen whose frame contains the
// point; 1 off every screen.
double scaleAt(const std::vector<ScreenInfo>& screens, const Point& point);

// The rectangle region frames are laid into.
Rect topLeftVisibleFrame(const ScreenInfo& screen);

// maxY of the primary (first) screen's frame; 0 without screens.
double primaryScreenMaxY(const std::vector<ScreenInfo>& screens);

// Flips a rectangle between top-left and bottom-left coordinates about the primary screen;
// its own inverse.
Rect topLeftRect(const Rect& bottomLeftRect, const std::vector<ScreenInfo>& screens);

} // namespace fw
