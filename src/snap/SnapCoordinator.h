#pragma once
// The one object that carries out snapping. A thin hub: it owns its sinks and its task scope,
// and its state objects (SnapState) unless it is handed them; it fills the callback slots of
// the overlay and the stack controller; it answers what the runs ask of it (SnapRequests,
// through the context), and is the only place that ends an interaction (and so raises the
// interaction generation); and it keeps every name other subsystems call, each handed to the
// state object or run that does the work. A window drag does not go through it:
// the drag handler takes the context and the state objects (dragStates) and calls the runs
// itself. Main thread only; created once by the application shell, which installs the sinks
// when launching has finished.

#include "snap/ChoiceState.h"
#include "snap/DragStates.h"
#include "snap/DropState.h"
#include "snap/ResizeState.h"
#include "snap/SnapContext.h"
#include "snap/SnapState.h"
#include "snap/WindowStackController.h"
#include "windows/CoordinatorHost.h"
#include "windows/WindowPlacement.h"

#include <QJsonArray>
#include <memory>
#include <optional>
#include <vector>

namespace fw {

class SnapCoordinator final : public CoordinatorHost, public SnapRequests {
public:
    using Group = LayoutGroup;
    using RegionDropTarget = fw::RegionDropTarget;

    // Fills the overlay's cancel slot and seven slots of the stack controller; the sinks and
    // the stack controller's tip slot stay empty for the shell. The first makes its own state;
    // the second works on `state`, which must outlive it.
    explicit SnapCoordinator(const SnapServices& services);
    SnapCoordinator(const SnapServices& services, SnapState& state);
    // Ends every task and deferred step it started; its callbacks elsewhere go quiet.
    ~SnapCoordinator() override;
    SnapCoordinator(const SnapCoordinator&) = delete;
    SnapCoordinator& operator=(const SnapCoordinator&) = delete;

    // ---- What the shell's wiring needs
    SnapContext& context() { return ctx_; }
    SnapSinks& sinks() { return sinks_; }
    // The applied layouts per display, read by the shell's menus.
    const AppliedLayouts::Groups& groups() const { return layouts_.groups(); }
    // Read only, for whoever did not hand the state in (the whole program's tests).
    const SnapState& state() const { return state_; }
    // Everything a window drag works with, for the drag handler the shell makes.
    DragStates dragStates() { return state_.dragStates(); }

    // ---- CoordinatorHost
    std::uint64_t interactionGeneration() const override { return interaction_.generation(); }
    std::optional<ManagedWindow> pickerWindow() const override { return picker_.pickerWindow; }
    // The current interaction, for an action that runs later.
    InteractionStamp stamp() const { return ctx_.stamp(); }

    // ---- The hub (SnapRequests: what the runs ask of it; the shell ends interactions too)
    void endInteraction(bool resumeStacks) override;
    Task<void> applyComposition(SnapLayout layout, ScreenInfo screen, InteractionStamp stamp) override;
    Task<bool> insertAtCorner(InsertionRequest request) override;
    // No window moves, no picker is open and no press is being handled.
    bool canRefreshStacks() const;
    void recordReturnHomes(const WindowFramePairs& placed, const SnapLayout& layout, const ScreenInfo& screen);
    // The window the stack switcher brought forward occupies the region it fills.
    void noteStackChoice(const ManagedWindow& window);

    // ---- Applied layouts, memories and records
    void reconcile(const WindowSnapshot& snapshot, const std::optional<QString>& display = std::nullopt);
    void ensureGroup(const ScreenInfo& screen, const std::optional<ManagedWindow>& including = std::nullopt,
                     const std::optional<Rect>& frame = std::nullopt);
    std::vector<SpanCover> spanCovers() const;
    QJsonArray recoveryDisplayRecords() const;
    bool isSideSplitFill(const ColumnFill& fill, const QString& display);
    // The names of the display's own layouts and the position of the active one.
    LayoutSummary activeLayout(const ScreenInfo& screen) const;

    // ---- The layout picker
    // Opened by the commands (no start frame; composition for "Open Layout Gallery"); a drag
    // opens it through the drag handler.
    void showLayoutPicker(const std::optional<ManagedWindow>& window, const ScreenInfo& screen, bool dragging,
                          const std::optional<Rect>& startFrame, bool composition);
    // Builds the drag's picker for the display, not shown, ahead of its first showing.
    void prepareLayoutPicker(const ScreenInfo& screen);
    // A release over the picker, and over a seam corner.
    void commitPickerSelection();
    void commitCornerSelection();
    // The pointer moved over the picker (or left it), and the return panels go while the
    // picker is shown.
    void updatePickerPreview(const std::optional<SnapSelection>& selection);
    void hoverPicker(Point at);
    void hideDropPanels();

    // ---- Choosing and placing
    // A picker selection carried out under the mutation guard.
    Task<void> choose(SnapSelection selection);
    // One window into one region, its notice sent; true when placed and recorded.
    Task<bool> placeInRegion(ManagedWindow window, RegionNumber region, SnapLayout layout, ScreenInfo screen,
                             std::optional<Rect> startFrame, bool guarded);
    // Snap assist for the display after a picker placement of the interaction `stamp`.
    void startSnapAssist(const ScreenInfo& screen, const InteractionStamp& stamp,
                         const std::vector<ManagedWindow>& windowsBefore);
    void showAssistPanel(const ScreenInfo& screen);

    // ---- Snap assist thumbnails, kept while the interaction that asked for them lasts
    void captureAssistThumbnails(std::vector<ManagedWindow> windows);
    void storeThumbnail(const Thumbnail& image, const ManagedWindow& window, const InteractionStamp& stamp);

    // ---- Raising and composition moves
    // Brings a group forward in ascending region order, the picker's window once more last.
    void activateOwners(const RegionWindows& windows);
    // The first window of the list ends in front.
    void raiseWindows(const std::vector<ManagedWindow>& inOrder);

    // ---- A display's group applied to its windows in one transaction.
    Task<bool> applyGroup(LayoutGroup group, ScreenInfo screen);

    // ---- Commands of the menus, hot keys, welcome window and stack controller
    // Restores the focused snapped window to its frame from before snapping.
    Task<void> restoreFocusedWindow();
    // A display's own layout by number (from 0; Ctrl+Alt+1 … 9, the "Switch Layout" menu, the
    // stack controller), and any layout with its apps (the layout menus, the editor's apply).
    void applySavedLayout(int number, const ScreenInfo& screen);
    void startLayoutApplication(const SnapLayout& layout, const ScreenInfo& screen);
    // Forgets the display's adjusted proportions, moving a built-in layout's windows to match.
    Task<void> resetLayouts(ScreenInfo screen);
    // The divider editor for the display's applied layout.
    void adjustLayout(const ScreenInfo& screen);
    // The window chooser of the display, whose pick opens the layout picker.
    void showWindowChooser(const ScreenInfo& screen);
    // The displays or the workspace changed: applied layouts and return positions are
    // forgotten and the interaction ends.
    void displaysChanged();

    // ---- The stack controller's request to stretch a window across the regions a rectangle
    // overlaps (its frame now is `current`): a span task of its own.
    void stretch(const ManagedWindow& window, const Rect& asked, const Rect& current);

private:
    SnapCoordinator(const SnapServices& services, std::unique_ptr<SnapState> owned, SnapState* given);
    void installCallbacks();
    ChoiceState choiceState() { return {interaction_, picker_, layouts_, memory_, assist_}; }
    DropState dropState() { return {interaction_, picker_, drop_, layouts_, memory_, sideSplits_}; }
    ResizeState resizeState() { return {interaction_, picker_, layouts_, memory_}; }

    Lifeline<SnapCoordinator> self_{this};
    SnapSinks sinks_;
    std::unique_ptr<SnapState> ownState_; // only when made without one
    SnapState& state_;
    Interaction& interaction_ = state_.interaction;
    AppliedLayouts& layouts_ = state_.layouts;
    WindowMemory& memory_ = state_.memory;
    SideSplitStore& sideSplits_ = state_.sideSplits;
    PickerSession& picker_ = state_.picker;
    DropSession& drop_ = state_.drop;
    AssistState& assist_ = state_.assist;
    RecoveryStateFile& recovery_ = state_.recovery;
    SnapContext ctx_;
    TaskScope tasks_; // last, so it ends its tasks while everything they use still exists
};

} // namespace fw
