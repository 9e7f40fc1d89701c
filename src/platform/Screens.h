#pragma once
// Screens port: the displays of the desktop, primary first, in global top-left device pixels.

#include "base/Geometry.h"

#include <QString>
#include <functional>
#include <vector>

namespace fw {

struct ScreenInfo {
    QString key;        // display key: EDID-derived UUID form, else the output/monitor name
    QString name;       // human name of the output or monitor
    Rect frame;         // whole display
    Rect visibleFrame;  // display minus the panels and docks standing on it
    bool primary = false;
    // Device pixels per logical pixel (Xft.dpi / 96: 1, 1.5, 2): what we draw on this display
    // is laid out in logical pixels and takes this many device pixels for each.
    double scale = 1;

    friend bool operator==(const ScreenInfo&, const ScreenInfo&) = default;
};

class Screens {
public:
    virtual ~Screens() = default;
    // Primary display first, then the others in the platform's order.
    virtual std::vector<ScreenInfo> screens() const = 0;
    // Called on the main thread after displays are added, removed or changed. One handler.
    virtual void setChangeHandler(std::function<void()> handler) = 0;
};

} // namespace fw
