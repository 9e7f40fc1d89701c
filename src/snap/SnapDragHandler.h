#pragma once
// What a window drag is over and whom its release goes to, decided on the coordinator's
// context and state objects (DragStates.h): it calls the layout picker, the drop feedback, the
// release hand-offs, the drop execution and the resize preview itself. Each step routes the
// drag to a display and finds, in this order: Alt newly held (every offer withdrawn; the
// monitor passes on no Alt held since the press, the window manager's move key), no display, a
// display corner (held 0.28 s when it borders another display), the layout picker at the top
// centre (opened once per drag and display), a region drop target (ready after 0.18 s), the
// window's previous position (ready once the return gesture arms, at once when aligned, else
// after 0.16 s), or nothing. It leaves behind exactly what the release
// needs, and the release goes to one hand-off: a region drop, the seam corner, the previous
// position, the layout picker, or a window released over no target. A window that cannot be
// placed (readManagedWindow) is offered nothing and hands nothing off: the first step over
// the picker's zone or a region drop target tells the user why.

#include "snap/DragHandler.h"
#include "snap/DragStates.h"
#include "snap/DragTrace.h"
#include "snap/DropHover.h"
#include "snap/DropSession.h"
#include "snap/DropTargets.h"
#include "snap/ReturnSnap.h"
#include "snap/SnapCorner.h"
#include "snap/WindowMemory.h"

#include <QString>
#include <optional>

namespace fw {

struct ScreenInfo;
struct SnapContext;

// Dwell times before an offer is ready.
inline constexpr Duration kDropDwell = 180ms;
inline constexpr Duration kSeamCornerDwell = 280ms;
inline constexpr Duration kReturnDwell = 160ms;

// "topLeft", "bottomLeft", "topRight", "bottomRight".
QString snapCornerName(SnapCorner corner);

// The picker zone of a display for a point: on the display, less than min(20 % of its width,
// 180) from its middle and at most 22 below its visible frame's top.
bool inPickerZone(const Point& point, const Rect& frame, const Rect& visibleFrame);
// The same for the pointer of a drag that started at `start`: a drag that begins in the zone
// must first climb 10 pixels (from the lowest point it reached: see DragFindings::lowestY).
bool inPickerZone(const Point& point, const Point& start, const Rect& frame, const Rect& visibleFrame);

// What the steps of one drag found, as the release needs it. Only the handler writes it; a
// new drag starts from the defaults.
struct DragFindings {
    std::optional<QString> dragDisplay;     // the display the drag is routed to
    std::optional<SnapCorner> cornerTarget; // the seam corner on offer, on dragDisplay
    std::optional<ReturnSnapTarget> returnTarget;
    std::optional<ReturnSnapGesture> returnGesture;
    std::optional<RegionDropTarget> activeDrop;
    DropHover<RegionDropTarget> dropHover;
    DropHover<QString> cornerHover;
    DropHover<QString> returnHover;
    bool returnPreviewArmed = false;
    Size windowGrid;                      // the dragged window's cell grid (0: none), read at its start
    // The lowest the pointer went during the drag: a maximized window's title bar pressed in the
    // picker's zone, pulled down and back up, has climbed to it.
    std::optional<double> lowestY;
    // The dragged window when it cannot be placed, with why (readManagedWindow at the press):
    // nothing is offered, and the first step over the picker's zone or a region drop target
    // tells the user why.
    std::optional<RefusedWindow> refused;
    bool refusalTold = false;
};

// One for the whole run, made by the shell after the coordinator and gone before it.
class SnapDragHandler : public DragHandler {
public:
    SnapDragHandler(SnapContext& ctx, DragStates states);

    DragTrace& trace() override { return trace_; }
    bool pointerMoved(const Point& p) override;
    void updateEdgeHint(const Point& p) override;
    void notePress(const Point& p) override;
    std::optional<PressedWindow> pressed(const Point& p, std::uint32_t time) override;
    std::optional<Rect> frame(const ManagedWindow& window) const override;
    std::optional<WindowSystem::FrameAndManagerBox> frameAndManagerBox(const ManagedWindow& window) const override;
    Size grid(const ManagedWindow& window) const override;
    std::optional<double> titleBarHeight(const ManagedWindow& window) const override;
    bool dragStarted(const ManagedWindow& window, const Rect& original) override;
    void dragMoved(const DragStep& step) override;
    void resizeStarted() override;
    void resizeMoved(const SpanPreviewRequest& step) override;
    void buttonReleased() override;
    ReleaseOutcome dragReleased(const DragRelease& release) override;
    void handOver(const WindowRelease& release) override;
    void withdrawOffers() override;
    void endInteraction() override;
    void reset(bool endInteraction) override;
    std::optional<QString> routedDisplay() const override { return findings_.dragDisplay; }
    QJsonArray displayRecords() const override;

    // What the last step found, as the release needs it; forgotten whole at each press.
    const DragFindings& findings() const { return findings_; }

protected:
    // Where the drag's decisions become work of other families; each calls that family
    // directly (a test may watch or replace one): the feedback of a region drop target, the
    // insertion into a region a seam corner splits, and the drop a release carries out.
    virtual void showRegionDrop(const RegionDropTarget& target, const ManagedWindow& window, bool armed);
    virtual void performSplitDrop(const SplitDropRequest& request);
    virtual void startRegionDrop(RegionDropRun run);

    SnapContext& ctx_;
    DragStates states_;

private:
    void note(const QString& state, Duration now, const Point& at);
    void markChoosing();
    void clearDropAndReturn();
    void endCornerOffer();
    void hideDropPanels();
    // Whether the pointer of a drag that started at `start` is in the picker's zone of `screen`,
    // climbed to from the lowest point the drag reached: the one answer for the picker's step,
    // a refused window's step and the release.
    bool reachesPickerZone(const Point& pointer, const std::optional<Point>& start, const ScreenInfo& screen) const;
    // Hover steps; each returns true when it ended the step.
    void outsideDisplays(const DragStep& step);
    bool cornerStep(const DragStep& step, const ScreenInfo& screen, const Point& q);
    bool pickerStep(const DragStep& step, const ScreenInfo& screen, const Point& q);
    bool dropStep(const DragStep& step, const ScreenInfo& screen, const Point& q);
    bool returnStep(const DragStep& step, const QString& key, bool onReturnDisplay);
    void refusedStep(const DragStep& step);
    // Release steps.
    bool cornerStillOffered(const Point& p) const;
    ReleaseOutcome handOff(const DragRelease& release, bool corner);

    DragTrace trace_;
    DragFindings findings_;
};

// What the drop-target planner reads of a drag's states on `display`: the guard, the shown
// menu, the window stacks and whether a column fill may rejoin a remembered side split.
// `states` must outlive the answer (its rejoin check reads them).
DropTargetState dropTargetState(SnapContext& ctx, const DragStates& states, const QString& display);

} // namespace fw
