// The hub: its callbacks into the overlay and the stack controller, the end of an interaction,
// and every name it keeps handed to the state object or run that does the work.
#include "snap/SnapCoordinator.h"

#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "snap/AssistThumbnails.h"
#include "snap/ChooseSelection.h"
#include "snap/Compositions.h"
#include "snap/CoordinatorCommands.h"
#include "snap/GroupPlacement.h"
#include "snap/InsertAtCorner.h"
#include "snap/LayoutPicker.h"
#include "snap/PlaceWindow.h"
#include "snap/ReleaseOutsideTargets.h"
#include "snap/Reconcile.h"
#include "snap/SnapAssist.h"
#include "snap/SpanCovers.h"
#include "snap/SpanPlacement.h"
#include "snap/WindowRaising.h"
#include "windows/WindowAccess.h"

namespace fw {

SnapCoordinator::SnapCoordinator(const SnapServices& services)
    : SnapCoordinator(services, std::make_unique<SnapState>(services.defaults), nullptr)
{
}

SnapCoordinator::SnapCoordinator(const SnapServices& services, SnapState& state)
    : SnapCoordinator(services, nullptr, &state)
{
}

SnapCoordinator::SnapCoordinator(const SnapServices& services, std::unique_ptr<SnapState> owned, SnapState* given)
    : ownState_(std::move(owned)), state_(given ? *given : *ownState_),
      ctx_{services, tasks_, sinks_, self_.weak(), *this}, tasks_(services.clock)
{
    installCallbacks();
    installResizeHandOffs(ctx_, resizeState());
}

SnapCoordinator::~SnapCoordinator() { self_.cut(); }

void SnapCoordinator::installCallbacks()
{
    std::weak_ptr<SnapCoordinator> weak = self_.weak();
    ctx_.feedback.setOnCancel([weak] {
        if (auto self = weak.lock())
            self->endInteraction(false);
    });
    // The store owns custom layouts: an applied copy follows each rename and delete at once.
    ctx_.store.customLayoutsChanged = [weak](const QString&) {
        if (auto self = weak.lock())
            self->layouts_.followStore(self->ctx_.store, self->memory_);
    };
    auto& fill = ctx_.stacks.callbacks;
    fill.canRefresh = [weak] {
        auto self = weak.lock();
        return self && self->canRefreshStacks();
    };
    fill.onlyPressHeld = [weak] {
        auto self = weak.lock();
        return self && self->interaction_.windowInteraction && !self->interaction_.mutating
            && !self->picker_.pickerScreen();
    };
    fill.onSnapshot = [weak](const WindowSnapshot& snapshot) {
        if (auto self = weak.lock())
            self->reconcile(snapshot);
    };
    fill.spanProvider = [weak] {
        auto self = weak.lock();
        return self ? self->spanCovers() : std::vector<SpanCover>{};
    };
    fill.regionProvider = [weak] {
        auto self = weak.lock();
        if (!self || self->layouts_.groups().empty())
            return std::vector<Rect>{};   // no screens to read
        return fw::appliedRegionFrames(self->layouts_.groups(), self->ctx_.screenList());
    };
    fill.stretch = [weak](const ManagedWindow& window, const Rect& asked) {
        auto self = weak.lock();
        if (!self || self->interaction_.mutating)
            return;
        if (const auto current = self->ctx_.access.frame(window))
            self->stretch(window, asked, *current);
    };
    fill.layoutSummary = [weak](const Rect& frame) {
        auto self = weak.lock();
        const auto screen = self ? containing(self->ctx_.screenList(), Point{frame.midX(), frame.midY()}) : std::nullopt;
        return screen ? self->activeLayout(*screen) : LayoutSummary{};
    };
    fill.switchLayout = [weak](int number, const Rect& frame) {
        auto self = weak.lock();
        const auto screen = self ? containing(self->ctx_.screenList(), Point{frame.midX(), frame.midY()}) : std::nullopt;
        if (!screen)
            return;
        self->tasks_.after(Duration::zero(), [weak, number, screen = *screen] {
            if (auto later = weak.lock())
                later->applySavedLayout(number, screen);
        });
    };
    fill.onChoose = [weak](const ManagedWindow& window) {
        if (auto self = weak.lock())
            self->noteStackChoice(window);
    };
}

void SnapCoordinator::endInteraction(bool resumeStacks)
{
    interaction_.advance();
    if (resumeStacks)
        ctx_.stacks.dismissPickers();
    else
        ctx_.stacks.suspend();
    sinks_.sendPresentationChanged(false);
    drop_.end();
    interaction_.pendingEdit.reset();
    assist_.end(tasks_);
    ctx_.feedback.hideAll();
    picker_.end();
    ctx_.stacks.scheduleRefresh();
}

bool SnapCoordinator::canRefreshStacks() const
{
    return !interaction_.mutating && !picker_.pickerScreen() && !interaction_.windowInteraction;
}

void SnapCoordinator::recordReturnHomes(const WindowFramePairs& placed, const SnapLayout& layout,
                                        const ScreenInfo& screen)
{
    memory_.recordReturnHomes(placed, layout, screen);
}

void SnapCoordinator::noteStackChoice(const ManagedWindow& window)
{
    if (const auto frame = ctx_.access.frame(window))
        layouts_.noteFrontWindow(window, *frame, ctx_.access.grid(window), ctx_.screenList());
}

void SnapCoordinator::reconcile(const WindowSnapshot& snapshot, const std::optional<QString>& display)
{
    fw::reconcile(ctx_, layouts_, memory_, recovery_, snapshot, display);
}

void SnapCoordinator::ensureGroup(const ScreenInfo& screen, const std::optional<ManagedWindow>& including,
                                  const std::optional<Rect>& frame)
{
    layouts_.ensureGroup(screen, including, frame, ctx_.access, ctx_.store, memory_);
}

std::vector<SpanCover> SnapCoordinator::spanCovers() const { return fw::spanCovers(layouts_.groups(), ctx_.screenList()); }

QJsonArray SnapCoordinator::recoveryDisplayRecords() const
{
    return fw::recoveryDisplayRecords(ctx_.screenList(), layouts_, memory_);
}

bool SnapCoordinator::isSideSplitFill(const ColumnFill& fill, const QString& display)
{
    return sideSplits_.isSideSplitFill(fill, display, layouts_.group(display));
}

LayoutSummary SnapCoordinator::activeLayout(const ScreenInfo& screen) const
{
    const QString key = displayKey(screen);
    LayoutSummary summary;
    const auto own = ctx_.store.customLayouts(key);
    for (const SnapLayout& layout : own)
        summary.names << layout.name;
    std::optional<QString> current;
    if (const LayoutGroup* group = layouts_.group(key))
        current = group->layout.id;
    else if (const auto active = ctx_.store.activeLayout(key))
        current = active->id;
    for (std::size_t i = 0; current && i < own.size(); ++i) {
        if (own[i].id == *current) {
            summary.active = int(i);
            break;
        }
    }
    return summary;
}

void SnapCoordinator::showLayoutPicker(const std::optional<ManagedWindow>& window, const ScreenInfo& screen,
                                       bool dragging, const std::optional<Rect>& startFrame, bool composition)
{
    fw::showLayoutPicker(ctx_, choiceState(), PickerRequest{window, screen, dragging, startFrame, composition});
}

void SnapCoordinator::prepareLayoutPicker(const ScreenInfo& screen)
{
    fw::prepareLayoutPicker(ctx_, choiceState(), screen);
}

void SnapCoordinator::commitPickerSelection() { fw::commitPickerSelection(ctx_, choiceState()); }

void SnapCoordinator::commitCornerSelection() { fw::commitCornerSelection(ctx_, choiceState()); }

void SnapCoordinator::updatePickerPreview(const std::optional<SnapSelection>& selection)
{
    fw::updatePickerPreview(ctx_, picker_, selection);
}

void SnapCoordinator::hoverPicker(Point at) { fw::hoverPicker(ctx_, picker_, at); }

void SnapCoordinator::hideDropPanels() { fw::hideDropPanels(ctx_, picker_); }

Task<void> SnapCoordinator::choose(SnapSelection selection) { return fw::choose(ctx_, choiceState(), selection); }

namespace {

Task<bool> placeAndReport(SnapContext& ctx, Task<PlacementResult> placement)
{
    const PlacementResult result = co_await std::move(placement);
    if (result.notice)
        ctx.sinks.sendReport(*result.notice);
    co_return result.placed;
}

} // namespace

Task<bool> SnapCoordinator::placeInRegion(ManagedWindow window, RegionNumber region, SnapLayout layout,
                                          ScreenInfo screen, std::optional<Rect> startFrame, bool guarded)
{
    return placeAndReport(ctx_, fw::placeInRegion(ctx_, layouts_, memory_, std::move(window), region, std::move(layout),
                                                  std::move(screen), startFrame, guarded));
}

void SnapCoordinator::startSnapAssist(const ScreenInfo& screen, const InteractionStamp& stamp,
                                      const std::vector<ManagedWindow>& windowsBefore)
{
    fw::startSnapAssist(ctx_, choiceState(), screen, stamp, windowsBefore);
}

void SnapCoordinator::showAssistPanel(const ScreenInfo& screen) { fw::showAssistPanel(ctx_, choiceState(), screen); }

void SnapCoordinator::activateOwners(const RegionWindows& windows)
{
    ctx_.placement.activateOwners(windows, picker_.pickerWindow);
}

void SnapCoordinator::raiseWindows(const std::vector<ManagedWindow>& inOrder) { fw::raiseWindows(ctx_.access, inOrder); }

void SnapCoordinator::captureAssistThumbnails(std::vector<ManagedWindow> windows)
{
    fw::captureAssistThumbnails(ctx_, assist_, std::move(windows));
}

void SnapCoordinator::storeThumbnail(const Thumbnail& image, const ManagedWindow& window, const InteractionStamp& stamp)
{
    fw::storeThumbnail(ctx_, assist_, image, window, stamp);
}

Task<void> SnapCoordinator::applyComposition(SnapLayout layout, ScreenInfo screen, InteractionStamp stamp)
{
    return fw::applyComposition(ctx_, choiceState(), std::move(layout), std::move(screen), std::move(stamp));
}

Task<bool> SnapCoordinator::insertAtCorner(InsertionRequest request)
{
    return placeAndReport(ctx_, fw::insertAtCorner(ctx_, layouts_, memory_, std::move(request)));
}

Task<bool> SnapCoordinator::applyGroup(LayoutGroup group, ScreenInfo screen)
{
    return fw::applyGroup(ctx_, layouts_, memory_, std::move(group), std::move(screen));
}

Task<void> SnapCoordinator::restoreFocusedWindow() { return fw::restoreFocusedWindow(ctx_, choiceState()); }

void SnapCoordinator::applySavedLayout(int number, const ScreenInfo& screen)
{
    fw::applySavedLayout(ctx_, choiceState(), number, screen);
}

void SnapCoordinator::startLayoutApplication(const SnapLayout& layout, const ScreenInfo& screen)
{
    fw::startLayoutApplication(ctx_, choiceState(), layout, screen);
}

Task<void> SnapCoordinator::resetLayouts(ScreenInfo screen) { return fw::resetLayouts(ctx_, choiceState(), std::move(screen)); }

void SnapCoordinator::adjustLayout(const ScreenInfo& screen) { fw::adjustLayout(ctx_, choiceState(), screen); }

void SnapCoordinator::showWindowChooser(const ScreenInfo& screen) { fw::showWindowChooser(ctx_, choiceState(), screen); }

void SnapCoordinator::displaysChanged() { fw::displaysChanged(ctx_, choiceState()); }

void SnapCoordinator::stretch(const ManagedWindow& window, const Rect& asked, const Rect& current)
{
    tasks_.spawn(runSpanPlacement(ctx_, resizeState(), window, current, asked));
}

} // namespace fw
