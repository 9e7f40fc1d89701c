// The overlay controller: showing, stacking and hiding the panels snapping shows itself through.
#include "overlay/OverlayController.h"

#include "base/Clock.h"
#include "layout/ScreenGeometry.h"
#include "overlay/DropActionMenuView.h"
#include "overlay/DropSurfaces.h"
#include "overlay/OverlayWindow.h"
#include "platform/qt/DevicePixels.h"

#include <algorithm>

namespace fw {

namespace {

std::unique_ptr<OverlayWindow> displayPanel(QWidget* content)
{
    auto panel = std::make_unique<OverlayWindow>(Rect(), false);
    panel->setContentView(content);
    return panel;
}

} // namespace

OverlayController::OverlayController(Clock* clock, WindowNumberLookup windowNumber,
                                     std::function<std::vector<ScreenInfo>()> screens)
    : choices_(onCancel, {[this] { preview_->orderOut(); }, [this] { hideAll(); }}), dragged_(clock, windowNumber)
{
    feedback_ = std::make_unique<ResizeFeedback>(std::move(screens), std::move(windowNumber));
    preview_ = displayPanel(new PreviewView);
    returnView_ = new ReturnTargetView;
    returnPreview_ = displayPanel(returnView_);
    swapSourceView_ = new ReturnTargetView;
    swapSourcePreview_ = displayPanel(swapSourceView_);
    actionMenuView_ = new DropActionMenuView;
    actionMenu_ = displayPanel(actionMenuView_);
    actionMenu_->setHasShadow(true);
    returnPreview_->setLevel(OverlayWindow::aboveWindowsLevel);
}

OverlayController::~OverlayController() = default;

std::vector<OverlayWindow*> OverlayController::panels() const
{
    std::vector<OverlayWindow*> all{preview_.get(), returnPreview_.get(), swapSourcePreview_.get(), actionMenu_.get()};
    for (const auto& p : compositionPreviews_)
        all.push_back(p.get());
    if (picker)
        all.push_back(picker.get());
    for (OverlayWindow* p : choices_.panels())
        all.push_back(p);
    for (const auto& p : feedback_->outlines())
        all.push_back(p.get());
    for (OverlayWindow* p : {feedback_->bar(), feedback_->hint()})
        if (p)
            all.push_back(p);
    return all;
}

bool OverlayController::containsPoint(Point p) const
{
    std::vector<OverlayWindow*> candidates = choices_.panels();
    if (picker)
        candidates.push_back(picker.get());
    // Every other panel that takes clicks is ours too (stack badges, the stack switcher).
    for (OverlayWindow* w : OverlayWindow::allPanels()) {
        if (!w->ignoresMouseEvents())
            candidates.push_back(w);
    }
    return std::any_of(candidates.begin(), candidates.end(),
                       [&](OverlayWindow* w) { return w->isOrderedIn() && w->frame().contains(p); });
}

void OverlayController::setDraggedWindow(const std::optional<ManagedWindow>& window) { dragged_.set(window); }

void OverlayController::orderBelowDragged(OverlayWindow& panel) { panel.orderBelow(dragged_.number()); }

void OverlayController::orderBelowPicker(OverlayWindow& panel)
{
    if (picker && picker->isOrderedIn()) {
        // Some window managers (metacity) keep their own windows under every unmanaged one:
        // the picker's place is cut out of the panel as well.
        panel.setCutOut(picker->globalShape());
        panel.orderBelow(WindowId(picker->winId()));
        return;
    }
    panel.setCutOut({});
    panel.setLevel(OverlayWindow::aboveWindowsLevel);
    panel.orderFrontRegardless();
}

void OverlayController::showPreview(const std::optional<Rect>& frame)
{
    if (!frame) {
        preview_->orderOut();
        return;
    }
    setDraggedWindow(dragged_.window());
    if (preview_->setFrame(*frame))
        preview_->update();
    if (!dragged_.window()) {
        orderBelowPicker(*preview_);
        return;
    }
    preview_->setCutOut({});
    orderBelowDragged(*preview_);
    if (picker)
        picker->orderFrontRegardless();
}

void OverlayController::showReturnPreview(bool armed, const ManagedWindow& window, const Rect& frame)
{
    setDraggedWindow(window);
    returnView_->setShowsCaption(true);
    swapSourcePreview_->orderOut();
    returnView_->update(armed ? QStringLiteral("Release to return") : QStringLiteral("Previous position"),
                        QStringLiteral("arrow.uturn.backward"), armed, std::nullopt);
    if (returnPreview_->setFrame(frame))
        returnPreview_->update();
    orderBelowDragged(*returnPreview_);
}

namespace {

// The surface over the frame, its caption out of the dragged window's way.
void placeDropSurface(OverlayWindow& panel, ReturnTargetView& view, const Rect& frame, const QString& caption,
                      const QString& symbol, bool armed, bool showsCaption, const std::optional<Rect>& dragged)
{
    view.setShowsCaption(showsCaption);
    if (panel.setFrame(frame))
        panel.update();
    // In the view's logical pixels, as the frames are in device ones.
    view.update(caption, symbol, armed,
                dragged ? std::optional<QRectF>(DevicePixels::toLogical(*dragged).translated(
                              -QPointF(panel.geometry().topLeft())))
                        : std::nullopt);
}

} // namespace

void OverlayController::showDropTarget(const Rect& frame, const QString& caption, const QString& symbol, bool armed,
                                       bool showsCaption, const std::optional<Rect>& swapSource,
                                       const std::optional<Rect>& dragged)
{
    setDraggedWindow(dragged_.window());
    placeDropSurface(*returnPreview_, *returnView_, frame, caption, symbol, armed, showsCaption, dragged);
    orderBelowDragged(*returnPreview_);
    if (!swapSource) {
        swapSourcePreview_->orderOut();
        return;
    }
    placeDropSurface(*swapSourcePreview_, *swapSourceView_, *swapSource, QStringLiteral("Other window here"),
                     QStringLiteral("arrow.left.arrow.right"), armed, showsCaption, dragged);
    orderBelowDragged(*swapSourcePreview_);
}

void OverlayController::showActionMenu(const DropActionMenu& menu, const std::optional<RegionDropIntent>& highlighted,
                                       bool armed)
{
    if (actionMenu_->setFrame(menu.frame))
        actionMenu_->update();
    actionMenuView_->configure(menu, highlighted, armed);
    if (!actionMenu_->isOrderedIn())
        actionMenu_->orderFrontRegardless();
}

void OverlayController::showCompositionPreviews(const std::vector<Rect>& frames)
{
    preview_->orderOut();
    while (compositionPreviews_.size() < frames.size())
        compositionPreviews_.push_back(displayPanel(new PreviewView));
    for (std::size_t i = 0; i < compositionPreviews_.size(); ++i) {
        OverlayWindow& panel = *compositionPreviews_[i];
        if (i >= frames.size()) {
            panel.orderOut();
            continue;
        }
        if (panel.setFrame(frames[i]))
            panel.update();
        orderBelowPicker(panel);
    }
}

void OverlayController::hideReturnPanels()
{
    returnPreview_->orderOut();
    swapSourcePreview_->orderOut();
}

OverlayView* OverlayController::keptPicker(const PickerBuild& build)
{
    if (!kept_.panel || !(kept_.build == build))
        return nullptr;
    kept_.view->showSelection(std::nullopt);
    return kept_.view;
}

void OverlayController::keepPicker(const ScreenInfo& on, OverlayView* view, PickerBuild build)
{
    disposePanel(std::move(kept_.panel));
    kept_.panel = makePickerPanel(view, topLeftVisibleFrame(on), build.dragging);
    kept_.panel->winId();
    // Drawn once off screen: the fonts, glyphs and icons it needs are loaded now, not when
    // the pointer reaches the zone. Only what the panel shows: a long list scrolls.
    QWidget* content = kept_.panel->contentView();
    view->grab(QRect(0, 0, view->width(), content ? std::min(view->height(), content->height()) : view->height()));
    kept_.view = view;
    kept_.build = std::move(build);
}

void OverlayController::showPicker(const ScreenInfo& on, OverlayView* view, bool dragging,
                                   std::optional<PickerBuild> build)
{
    std::unique_ptr<OverlayWindow> kept;
    if (kept_.panel && view == kept_.view) {
        kept = std::move(kept_.panel);
        kept_.view = nullptr;
    }
    hidePicker();
    picker = kept ? std::move(kept) : makePickerPanel(view, topLeftVisibleFrame(on), dragging);
    pickerView = view;
    pickerBuild_ = std::move(build);
    showPickerPanel(*picker, *view, dragging);
}

void OverlayController::hidePicker()
{
    for (auto& panel : compositionPreviews_)
        panel->orderOut();
    for (auto& panel : compositionPreviews_)
        disposePanel(std::move(panel));
    compositionPreviews_.clear();
    if (picker && pickerBuild_) {
        picker->orderOut();
        disposePanel(std::move(kept_.panel));
        kept_.panel = std::move(picker);
        kept_.view = pickerView;
        kept_.build = std::move(*pickerBuild_);
    }
    disposePanel(std::move(picker));
    pickerBuild_.reset();
    pickerView = nullptr;
    preview_->orderOut();
}

std::optional<PickerHitArea> OverlayController::pickerHitArea() const
{
    if (!picker || !pickerView)
        return std::nullopt;
    // A view taller than its panel scrolls: its origin then lies above the panel's top, and
    // the panel clips the cards beyond its edge.
    const Rect panel = picker->frame();
    const Point origin = DevicePixels::toDevice(pickerView->mapToGlobal(QPointF(0, 0)));
    return PickerHitArea{pickerView->geometry(), panel, origin, DevicePixels::ratioAt(Point{panel.midX(), panel.midY()})};
}

void OverlayController::hideAll()
{
    setDraggedWindow(std::nullopt);
    hideReturnPanels();
    actionMenu_->orderOut();
    feedback_->hide();
    hidePicker();
    choices_.hideAll();
}

} // namespace fw
