#pragma once
// The overlay as the coordinator sees it: the panels through which snapping shows itself
// (the layout picker, previews, the return target, the window chooser, region assist, the
// divider editor) and the one cancel callback the panels report. It decides nothing. The
// overlay adapts its controller to it; tests use a recording fake, which places the picker
// with the same PickerGeometry as the overlay's view.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "platform/WindowSystem.h"
#include "snap/DropActionMenu.h"
#include "snap/PickerGeometry.h"
#include "snap/PickerKeys.h"
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

// What marks an occupied region on a picker card: the icon of the application of the window
// in it when it has one, else the icon of the application with the id.
struct OccupantIcon {
    std::optional<WindowId> window;
    QString appId;
    friend bool operator==(const OccupantIcon&, const OccupantIcon&) = default;
};
// Layout id → (region → icon).
using PickerOccupants = std::map<QString, std::map<RegionNumber, OccupantIcon>>;

// The layout picker as the coordinator asks for it. Each callback holds the coordinator
// weakly.
struct PickerPresentation {
    ScreenInfo screen;
    std::vector<SnapLayout> layouts; // one card each, in this order
    std::optional<QString> currentLayout;
    bool wholeComposition = false;
    bool dragging = false;
    PickerOccupants occupants;
    // The display's own layouts by id → their number in Switch Layout and Ctrl+Alt+1 … 9 (from
    // 1), which their cards show; only those whose key works.
    std::map<QString, int> layoutKeys;
    // A click on a card's button, the pointer over a button (nothing: over none), and a key:
    // intents, from which the coordinator's session decides the selection and hands it back
    // through setPickerSelection.
    std::function<void(SnapSelection)> choose;
    std::function<void(std::optional<SnapSelection>)> hover;
    std::function<void(PickerKey)> key;
    std::function<void()> create;                // composition mode only
    std::function<void(const SnapLayout&)> edit; // composition mode only
};

// What a region drop target shows: the preview over the frame the drop gives, with its caption
// and symbol (the caption hidden while a tile menu shows), and, for a swap, the panel over
// the place the other window goes to ("Other window here").
struct DropTargetLook {
    Rect frame;
    QString caption;
    QString symbol;
    bool armed = false;
    bool showsCaption = true;
    std::optional<Rect> swapSource;
    // The dragged window's frame now: the captions keep out of it (the panels are below it).
    std::optional<Rect> dragged;

    friend bool operator==(const DropTargetLook&, const DropTargetLook&) = default;
};

class SnapFeedback {
public:
    virtual ~SnapFeedback() = default;

    // Run by every "Done" of the chooser, the assist panels and the divider toolbar.
    virtual void setOnCancel(std::function<void()> cancel) = 0;
    // Whether the point lies over one of the visible interactive panels.
    virtual bool containsPoint(Point p) const = 0;
    // Whether one of our panels took the press of that server time (0: unknown, never).
    virtual bool tookPress(std::uint32_t time) const = 0;
    // Whether one of the visible interactive panels opened after our windows had taken input of
    // that server time or later: a press of that time came before it (0: unknown, never).
    virtual bool openedAfter(std::uint32_t time) const = 0;
    // The dragged window, below which the drop panels are ordered.
    virtual void setDraggedWindow(const std::optional<ManagedWindow>& window) = 0;

    // Shows the layout picker on its display, replacing any shown one: a panel hung at the
    // top centre of the visible frame; interactive and holding the keyboard unless dragging.
    // Snap shows and hides it through its PickerSession, which knows whether it is shown.
    virtual void showPicker(PickerPresentation picker) = 0;
    // Builds the picker as showPicker would, without showing it, so that its first showing
    // finds it ready (nothing where pickers cost nothing to build).
    virtual void preparePicker(PickerPresentation) {}
    // Highlights the selection the coordinator holds (nothing: no highlight); the picker draws
    // it and keeps no selection of its own.
    virtual void setPickerSelection(const std::optional<SnapSelection>& selection) = 0;
    // Where the shown picker's cards lie on screen, for the coordinator's hit test; nothing
    // while no picker is shown.
    virtual std::optional<PickerHitArea> pickerHitArea() const = 0;
    virtual void hidePicker() = 0;

    // The drop preview at a frame (nothing hides it) and the previews of a composition.
    virtual void showPreview(const std::optional<Rect>& frame) = 0;
    virtual void showCompositionPreviews(const std::vector<Rect>& frames) = 0;
    virtual void showReturnPreview(bool armed, const ManagedWindow& window, const Rect& frame) = 0;
    // Orders out the return preview and the swap-source panel.
    virtual void hideReturnPanels() = 0;

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
    // Every control of every assist panel stops taking clicks (while a chosen window moves).
    virtual void disableAssistControls() = 0;
    virtual void hideAssistPanels() = 0;
    virtual void showDividerEditor(const ScreenInfo& on, const SnapLayout& layout,
                                   std::function<void(const DividerPath&)> equalize,
                                   std::function<void(const DividerPath&, double, bool)> change) = 0;
    virtual void updateDividerEditor(const SnapLayout& layout) = 0;

    // The resize feedback: the bar over a shared edge with its hint bubble beside the pointer,
    // the bubble following the pointer, and hiding the outlines, bar and bubble.
    virtual void showEdgeHint(const Rect& bar, const QString& heading, const QString& detail,
                              const QString& symbolName, Point at, const ScreenInfo& on) = 0;
    virtual void moveResizeHint(Point to) = 0;
    // Outlines over the frames a resize would give, above the windows and letting clicks
    // through, with the bubble beside the pointer; no bar. Reuses the panels already shown.
    virtual void showResizeOutlines(const std::vector<Rect>& outlines, const QString& heading, const QString& detail,
                                    const QString& symbolName, Point at, const ScreenInfo& on) = 0;
    virtual void hideResizeFeedback() = 0;

    // The surfaces of a region drop target, directly below the dragged window; without a swap
    // source, that panel goes.
    virtual void showDropTarget(const DropTargetLook& look) = 0;
    // The tile menu at its frame, in front: the highlighted tile (none: no tile) lit, armed or
    // not.
    virtual void showDropMenu(const DropActionMenu& menu, const std::optional<RegionDropIntent>& highlighted,
                              bool armed) = 0;
    // The offer of a split at a seam corner: an outline over the space the window already there
    // keeps, directly below the dragged window, and the hint bubble near a point.
    virtual void showSplitHint(const Rect& outline, const QString& heading, const QString& detail,
                               const QString& symbolName, Point near, const ScreenInfo& on,
                               const ManagedWindow& below) = 0;

    // Hides every surface and forgets the dragged window.
    virtual void hideAll() = 0;
};

} // namespace fw
