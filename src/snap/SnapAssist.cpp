// Snap assist: after a picker placement, offers the display's other windows for each region left
// empty, placing a chosen one and ending when nothing is left to offer.
#include "snap/SnapAssist.h"

#include "layout/ScreenGeometry.h"
#include "snap/AssistThumbnails.h"
#include "snap/CoordinatorFilters.h"
#include "snap/PlaceWindow.h"
#include "snap/SnapContext.h"
#include "windows/WindowAccess.h"

#include <algorithm>

namespace fw {

namespace {

// The session is still there, the region open and the window still offered.
bool stillOffered(const AssistState& assist, const AssistPick& pick)
{
    const auto& session = assist.assistSession;
    if (!session || !session->regions.count(pick.region) || !session->isOpen(pick.region))
        return false;
    const auto available = session->availableWindows();
    return std::find(available.begin(), available.end(), pick.window) != available.end();
}

bool isListed(const std::vector<ManagedWindow>& windows, const ManagedWindow& window)
{
    return std::find(windows.begin(), windows.end(), window) != windows.end();
}

Task<void> placeAssistWindow(SnapContext& ctx, ChoiceState state, AssistPick pick)
{
    if (!pick.stamp.current() || state.interaction.mutating || !stillOffered(state.assist, pick))
        co_return;
    auto guard = MutationGuard::take(state.interaction, ctx.stacks);
    if (!guard)
        co_return;
    if (!isListed(ctx.access.windows({}, displayKey(pick.screen)), pick.window)) {
        showAssistPanel(ctx, state, pick.screen);
        co_return;
    }
    ctx.feedback.disableAssistControls();
    const PlacementResult result = co_await placeInRegion(ctx, state.layouts, state.memory, pick.window, pick.region,
                                                          pick.layout, pick.screen, std::nullopt, false);
    if (result.notice)
        ctx.sinks.sendReport(*result.notice);
    if (!pick.stamp.current())
        co_return;
    if (result.placed && stillOffered(state.assist, pick))
        state.assist.assistSession->occupied[pick.region] = pick.window;
    showAssistPanel(ctx, state, pick.screen);
}

} // namespace

void startSnapAssist(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen, const InteractionStamp& stamp,
                     const std::vector<ManagedWindow>& windowsBefore)
{
    const LayoutGroup* group = state.layouts.group(displayKey(screen));
    if (!group) {
        ctx.requests.endInteraction(false);
        return;
    }
    const auto frames = regionFrames(group->layout, screen);
    std::vector<Rect> occupied;
    for (const auto& [region, window] : group->windows) {
        if (auto frame = frames.find(region); frame != frames.end())
            occupied.push_back(frame->second);
    }
    std::vector<ManagedWindow> candidates;
    for (const ManagedWindow& window : windowsBefore) {
        const auto frame = ctx.access.frame(window);
        const Size grid = frame ? ctx.access.grid(window) : Size{};
        const bool arranged = frame && std::any_of(occupied.begin(), occupied.end(), [&](const Rect& r) {
            return sitsIn(*frame, r, grid, kSameFrameTolerance);
        });
        if (!arranged)
            candidates.push_back(window);
    }
    state.assist.assistSession = SnapAssistSession<ManagedWindow>::make(frames, candidates, group->windows);
    showAssistPanel(ctx, state, screen);
    if (stamp.current() && state.assist.assistSession)
        captureAssistThumbnails(ctx, state.assist, state.assist.assistSession->availableWindows());
}

void showAssistPanel(SnapContext& ctx, ChoiceState state, const ScreenInfo& screen)
{
    auto& session = state.assist.assistSession;
    const QString display = displayKey(screen);
    const LayoutGroup* group = state.layouts.group(display);
    if (!session || !group) {
        ctx.requests.endInteraction(false);
        return;
    }
    const auto now = ctx.access.windows({}, display);
    session->keepCandidates(std::unordered_set<ManagedWindow>(now.begin(), now.end()));
    const auto open = openRegions(*session);
    const auto available = session->availableWindows();
    if (open.empty() || available.empty()) {
        ctx.requests.endInteraction(false);
        return;
    }
    const InteractionStamp stamp = ctx.stamp();
    SnapContext* c = &ctx;
    auto choose = [c, state, stamp, screen, layout = group->layout](RegionNumber region, const ManagedWindow& w) {
        if (stamp.current())
            chooseAssistWindow(*c, state, AssistPick{w, region, stamp, screen, layout});
    };
    auto skip = [c, state, stamp, screen](RegionNumber region) {
        if (stamp.current())
            skipAssistRegion(*c, state, region, stamp, screen);
    };
    ctx.feedback.showRegionAssist(open, available, state.assist.thumbnails, std::move(choose), std::move(skip));
}

void chooseAssistWindow(SnapContext& ctx, ChoiceState state, const AssistPick& pick)
{
    if (pick.stamp.current() && stillOffered(state.assist, pick))
        ctx.tasks.spawn(placeAssistWindow(ctx, state, pick));
}

void skipAssistRegion(SnapContext& ctx, ChoiceState state, RegionNumber region, const InteractionStamp& stamp,
                      const ScreenInfo& screen)
{
    if (!stamp.current() || state.interaction.mutating)
        return;
    if (state.assist.assistSession)
        state.assist.assistSession->skipped.insert(region);
    showAssistPanel(ctx, state, screen);
}

} // namespace fw
