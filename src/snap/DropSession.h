#pragma once
// The state of a drop onto placed windows while a drag lasts: the target under the pointer,
// whether releasing now carries it out, the frame its preview shows, and the tile menu on
// screen.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "snap/DropActionMenu.h"
#include "windows/ManagedWindow.h"

#include <QString>
#include <optional>

namespace fw {

// What a drop at the pointer would do. Equal when every member is equal; frames exactly.
struct RegionDropTarget {
    QString display;
    SnapLayout layout;                     // the display's applied layout
    RegionDropIntent intent;
    std::optional<ManagedWindow> occupant; // the window already in the target region
    Rect frame;                            // the frame the dropped window would get
    std::optional<ColumnFill> fill;
    std::optional<DropActionMenu> menu;

    friend bool operator==(const RegionDropTarget&, const RegionDropTarget&) = default;
};

// The tile menu on screen, with the display and region it belongs to.
struct ShownMenu {
    QString display;
    RegionNumber region = 0;
    DropActionMenu menu;

    friend bool operator==(const ShownMenu&, const ShownMenu&) = default;
};

class DropSession {
public:
    std::optional<RegionDropTarget> regionDrop;
    bool regionDropArmed = false;
    std::optional<Rect> regionDropPreviewFrame;
    std::optional<ShownMenu> shownMenu;

    void end()
    {
        regionDrop.reset();
        regionDropArmed = false;
        regionDropPreviewFrame.reset();
        shownMenu.reset();
    }
};

} // namespace fw
