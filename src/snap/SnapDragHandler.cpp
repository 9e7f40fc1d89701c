// The drag handler's side of the press, the pointer without a button, the release hand-off of
// a window released over no target and the resize, and the steps where a drag's decisions
// become work of the drop, picker and resize families.
#include "snap/SnapDragHandler.h"

#include "snap/DropExecution.h"
#include "snap/DropFeedback.h"
#include "snap/LayoutPicker.h"
#include "snap/RecoveryRecords.h"
#include "snap/ReleaseHandOffs.h"
#include "snap/SharedEdgeHint.h"
#include "snap/SnapContext.h"
#include "snap/SpanPreview.h"
#include "snap/SplitOffer.h"
#include "windows/WindowAccess.h"

#include <algorithm>

namespace fw {

SnapDragHandler::SnapDragHandler(SnapContext& ctx, DragStates states)
    : ctx_(ctx), states_(states), trace_(ctx.diagnostics)
{
}

bool SnapDragHandler::pointerMoved(const Point& p)
{
    if (ctx_.stacks.menuOpen())
        return false;
    ctx_.stacks.noteMouseMoved(p);
    ctx_.feedback.moveResizeHint(p);
    return true;
}

void SnapDragHandler::updateEdgeHint(const Point& p)
{
    updateSharedEdgeHint(ctx_, states_.interaction, states_.picker, states_.layouts, p);
}

void SnapDragHandler::notePress(const Point& p) { ctx_.stacks.noteMouseMoved(p); }

std::optional<PressedWindow> SnapDragHandler::pressed(const Point& p, std::uint32_t time)
{
    // The press belongs to one of our panels: one there now, or one that took it already (a
    // card's click may have closed its panel by the time the monitor hands the press on).
    if (ctx_.feedback.containsPoint(p) || ctx_.feedback.tookPress(time))
        return std::nullopt;
    states_.interaction.windowInteraction = true;
    // A press the monitor hands on late, after a window of ours took it (or later input) and a
    // panel opened from that (the tour's button opening the switcher), came before the panel:
    // it is no press elsewhere that dismisses it.
    if (!ctx_.feedback.openedAfter(time)) {
        ctx_.stacks.dismissPickers();
        ctx_.requests.endInteraction(true);
    }
    if (!ctx_.access.windowControlGranted(false))
        return std::nullopt;
    // A window that cannot be placed is followed too, so that its drag tells why.
    const auto read = ctx_.access.readWindowUnderPoint(p);
    const auto frame = read ? frameAndManagerBox(windowOf(*read)) : std::nullopt;
    if (!frame)
        return std::nullopt;
    if (const auto* refused = std::get_if<RefusedWindow>(&*read))
        findings_.refused = *refused;
    const ManagedWindow& window = windowOf(*read);
    return PressedWindow{window, frame->frame, frame->managerBox,
                         ctx_.access.windowSystem().windowStates(window.element).value_or(0)};
}

std::optional<Rect> SnapDragHandler::frame(const ManagedWindow& window) const { return ctx_.access.frame(window); }

std::optional<WindowSystem::FrameAndManagerBox> SnapDragHandler::frameAndManagerBox(const ManagedWindow& window) const
{
    return ctx_.access.windowSystem().frameAndManagerBox(window.element);
}

Size SnapDragHandler::grid(const ManagedWindow& window) const { return ctx_.access.grid(window); }

std::optional<double> SnapDragHandler::titleBarHeight(const ManagedWindow& window) const
{
    return ctx_.access.windowSystem().titleBarHeight(window.element);
}

void SnapDragHandler::resizeStarted()
{
    if (!findings_.refused)
        ctx_.stacks.suspend();
}

void SnapDragHandler::resizeMoved(const SpanPreviewRequest& step)
{
    if (!findings_.refused)
        updateSpanPreview(ctx_, states_.resizeState(), step);
}

void SnapDragHandler::buttonReleased() { ctx_.feedback.hideResizeFeedback(); }

void SnapDragHandler::handOver(const WindowRelease& release) { windowReleased(ctx_, states_.resizeState(), release); }

void SnapDragHandler::endInteraction() { ctx_.requests.endInteraction(false); }

QJsonArray SnapDragHandler::displayRecords() const
{
    return recoveryDisplayRecords(ctx_.screenList(), states_.layouts, states_.memory);
}

void SnapDragHandler::hideDropPanels() { fw::hideDropPanels(ctx_, states_.picker); }

void SnapDragHandler::showRegionDrop(const RegionDropTarget& target, const ManagedWindow& window, bool armed)
{
    fw::showRegionDrop(ctx_, states_.dropState(), target, window, findings_.returnTarget, armed);
}

void SnapDragHandler::performSplitDrop(const SplitDropRequest& request)
{
    fw::performSplitDrop(ctx_, states_.dropState(), request);
}

void SnapDragHandler::startRegionDrop(RegionDropRun run)
{
    ctx_.tasks.spawn(executeRegionDrop(ctx_, states_.dropState(), std::move(run)));
}

} // namespace fw
