#pragma once
// Owns the floating panels through which snapping shows itself: the drop preview and the
// previews of a composition, the return and swap-source targets, the tile menu, the layout
// picker, the resize feedback, and the panels that wait on the user (ChoicePanels: the window
// chooser, the region assist panels, the divider editor with its toolbar). It decides nothing:
// every choice goes back through closures the coordinator supplies. Frames come in X's device
// pixels, global top-left; each panel converts to Qt's logical pixels only at its own edge
// (DevicePixels), by its screen's ratio. Panels are hidden, never closed.

#include "base/Geometry.h"
#include "layout/SnapLayout.h"
#include "overlay/ChoicePanels.h"
#include "overlay/DraggedWindowLookup.h"
#include "overlay/OverlayView.h"
#include "overlay/ResizeFeedback.h"
#include "snap/DropActionMenu.h"
#include "platform/Screens.h"
#include "windows/ManagedWindow.h"

#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace fw {

class ActionButton;
class Clock;
class DividerEditorView;
class DropActionMenuView;
class OverlayWindow;
class RegionAssistView;
class ReturnTargetView;

class OverlayController {
public:
    using WindowNumberLookup = DraggedWindowLookup::WindowNumberLookup;

    // `clock` gives the uptime that limits window-number lookups (a steady clock when null);
    // `windowNumber` resolves a window to the number panels are stacked against (its client
    // window id when empty); `screens` is the screen list for the resize hint.
    explicit OverlayController(Clock* clock = nullptr, WindowNumberLookup windowNumber = {},
                               std::function<std::vector<ScreenInfo>()> screens = {});
    ~OverlayController();
    OverlayController(const OverlayController&) = delete;
    OverlayController& operator=(const OverlayController&) = delete;

    ResizeFeedback& feedback() { return *feedback_; }

    // The layout picker on show, its panel and view: set by showPicker, cleared (or kept for
    // the next showPicker of the same build) by hidePicker. Public for the feedback (the
    // selection it draws, hit tests) and tests to read; only those two write them in the program.
    std::unique_ptr<OverlayWindow> picker;
    OverlayView* pickerView = nullptr;

    // Run by every "Done" of the chooser, the assist panels and the divider toolbar.
    std::function<void()> onCancel;

    // Whether the point lies over one of our visible interactive panels: the picker, the
    // chooser, the divider editor and its toolbar, the assist panels.
    bool containsPoint(Point p) const;

    // Remembers the dragged window and its number (looked up at most every 0.2 s).
    void setDraggedWindow(const std::optional<ManagedWindow>& window);
    const std::optional<ManagedWindow>& draggedWindow() const { return dragged_.window(); }
    std::optional<WindowId> draggedWindowNumber() const { return dragged_.number(); }

    void showReturnPreview(bool armed, const ManagedWindow& window, const Rect& frame);
    // Orders out the return preview and the swap-source panel.
    void hideReturnPanels();
    // A region drop target: the return preview over the frame with the caption and symbol
    // (the badge hidden without a caption), the swap-source panel over the other window's
    // place or ordered out; both directly below the dragged window, so each caption keeps out
    // of its frame (`dragged`) where the panel has room.
    void showDropTarget(const Rect& frame, const QString& caption, const QString& symbol, bool armed,
                        bool showsCaption, const std::optional<Rect>& swapSource,
                        const std::optional<Rect>& dragged = std::nullopt);
    // The tile menu at its frame (moved only when it differs), in front; tiles lit by the
    // highlighted intent and whether a release would perform it.
    void showActionMenu(const DropActionMenu& menu, const std::optional<RegionDropIntent>& highlighted, bool armed);
    // What a picker is built from. A picker shown with one is kept when hidden, and the next
    // one built from the same shows that panel again instead of making another.
    struct PickerBuild {
        Rect visibleFrame;
        std::vector<SnapLayout> layouts;
        std::optional<QString> currentLayout;
        bool wholeComposition = false;
        bool dragging = false;
        std::map<QString, std::map<RegionNumber, qint64>> icons;   // the occupants' icons' cache keys
        double width = 0;
        friend bool operator==(const PickerBuild&, const PickerBuild&) = default;
    };
    // The kept picker's view, its highlight cleared, when it was built from the same; else null.
    OverlayView* keptPicker(const PickerBuild& build);
    // Builds the view's panel (its window made, not shown) and keeps it for the next showing.
    void keepPicker(const ScreenInfo& on, OverlayView* view, PickerBuild build);
    // Shows the view as the layout picker on the display, replacing any picker: hung at the
    // top centre of its visible frame; in front without the keyboard while dragging.
    void showPicker(const ScreenInfo& on, OverlayView* view, bool dragging,
                    std::optional<PickerBuild> build = std::nullopt);
    void hidePicker();
    // Where the shown picker's cards lie on screen; nothing without a picker.
    std::optional<PickerHitArea> pickerHitArea() const;
    void showPreview(const std::optional<Rect>& frame);
    void showCompositionPreviews(const std::vector<Rect>& frames);
    void hideAll();

    // The window chooser, the region assist panels (the drop preview goes first) and the
    // divider editor (every other panel goes first).
    ChoicePanels& choices() { return choices_; }

    // --- panels and views, for the coordinator and tests ---
    OverlayWindow* preview() const { return preview_.get(); }
    OverlayWindow* returnPreview() const { return returnPreview_.get(); }
    ReturnTargetView* returnView() const { return returnView_; }
    OverlayWindow* swapSourcePreview() const { return swapSourcePreview_.get(); }
    OverlayWindow* actionMenu() const { return actionMenu_.get(); }
    DropActionMenuView* actionMenuView() const { return actionMenuView_; }
    const std::vector<std::unique_ptr<OverlayWindow>>& compositionPreviews() const { return compositionPreviews_; }
    OverlayWindow* chooser() const { return choices_.chooser(); }
    const std::map<RegionNumber, std::unique_ptr<OverlayWindow>>& assistPanels() const { return choices_.assistPanels(); }
    const std::map<RegionNumber, RegionAssistView*>& assistViews() const { return choices_.assistViews(); }
    OverlayWindow* editor() const { return choices_.editor(); }
    DividerEditorView* editorView() const { return choices_.editorView(); }
    OverlayWindow* editorToolbar() const { return choices_.editorToolbar(); }
    // Every panel this controller holds now (the picker included).
    std::vector<OverlayWindow*> panels() const;

private:
    // The picker kept hidden for the next showing built from the same.
    struct KeptPicker {
        std::unique_ptr<OverlayWindow> panel;
        OverlayView* view = nullptr;
        PickerBuild build;
    };

    void orderBelowDragged(OverlayWindow& panel);
    // Directly below the picker while it shows, so that it stays readable (a managed picker
    // would otherwise lie under unmanaged panels); above the windows when there is none.
    void orderBelowPicker(OverlayWindow& panel);

    std::unique_ptr<ResizeFeedback> feedback_;
    std::vector<std::unique_ptr<OverlayWindow>> compositionPreviews_;
    std::unique_ptr<OverlayWindow> preview_;
    std::unique_ptr<OverlayWindow> returnPreview_;
    std::unique_ptr<OverlayWindow> swapSourcePreview_;
    ReturnTargetView* swapSourceView_ = nullptr;
    ReturnTargetView* returnView_ = nullptr;
    std::unique_ptr<OverlayWindow> actionMenu_;
    DropActionMenuView* actionMenuView_ = nullptr;
    ChoicePanels choices_;

    std::optional<PickerBuild> pickerBuild_;   // the shown picker's
    KeptPicker kept_;

    DraggedWindowLookup dragged_;
};

} // namespace fw
