#pragma once
// The overlay as the coordinator sees it: the panels through which snapping shows itself
// (previews, the return target, the layout picker's hit test, the window chooser, region
// assist, the divider editor) and the one cancel callback the panels report. It decides
// nothing. The overlay adapts its controller to it; tests use a recording fake.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "snap/SnapSelection.h"
#include "snap/ThumbnailCapture.h"
#include "windows/ManagedWindow.h"

#include <QString>
#include <functional>
#include <map>
#include <optional>
#include <unordered_map>
#include <vector>

namespace fw {

using Thumbnails = std::unordered_map<ManagedWindow, Thumbnail>;

class SnapFeedback {
public:
    virtual ~SnapFeedback() = default;

    // Run by every "Done" of the chooser, the assist panels and the divider toolbar.
    virtual void setOnCancel(std::function<void()> cancel) = 0;
    // Whether the point lies over one of the visible interactive panels.
    virtual bool containsPoint(Point p) const = 0;
    // The dragged window, below which the drop panels are ordered.
    virtual void setDraggedWindow(const std::optional<ManagedWindow>& window) = 0;

    // The layout picker's selection under a point during a drag; the picker keeps it.
    virtual std::optional<SnapSelection> hoverPicker(Point at) = 0;
    virtual void hidePicker() = 0;

    // The drop preview at a frame (nothing hides it) and the previews of a composition.
    virtual void showPreview(const std::optional<Rect>& frame) = 0;
    virtual void showCompositionPreviews(const std::vector<Rect>& frames) = 0;
    virtual void showReturnPreview(bool armed, const ManagedWindow& window, const Rect& frame) = 0;

    virtual void showWindowChooser(const ScreenInfo& on, const std::vector<ManagedWindow>& windows,
                                   const QString& title, const std::optional<QString>& subtitle,
                                   std::function<void(const ManagedWindow&)> choose,
                                   std::function<void()> cancel) = 0;
    // One panel per open region, offering the windows.
    virtual void showRegionAssist(const std::map<RegionNumber, Rect>& regions, const std::vector<ManagedWindow>& windows,
                                  const Thumbnails& thumbnails,
                                  std::function<void(RegionNumber, const ManagedWindow&)> choose,
                                  std::function<void(RegionNumber)> skip) = 0;
    virtual void updateAssistThumbnail(const Thumbnail& image, const ManagedWindow& window) = 0;
    virtual void hideAssistPanels() = 0;
    virtual void showDividerEditor(const ScreenInfo& on, const SnapLayout& layout,
                                   std::function<void(const DividerPath&)> equalize,
                                   std::function<void(const DividerPath&, double, bool)> change) = 0;
    virtual void updateDividerEditor(const SnapLayout& layout) = 0;

    // Hides every surface and forgets the dragged window.
    virtual void hideAll() = 0;
};

} // namespace fw
