// The overlay controller: showing, stacking and hiding the panels snapping shows itself through.
#include "overlay/OverlayController.h"

#include "base/Clock.h"
#include "layout/ScreenGeometry.h"
#include "overlay/ActionButton.h"
#include "overlay/DividerEditorView.h"
#include "overlay/DropActionMenuView.h"
#include "overlay/DropSurfaces.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "overlay/RegionAssistView.h"
#include "overlay/WindowChoiceButton.h"
#include "overlay/WindowThumbnailButton.h"
#include "platform/qt/DevicePixels.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QPointer>
#include <QScrollArea>
#include <algorithm>
#include <cmath>

namespace fw {

namespace {

// The chooser's card: Return and Enter run "Done", never a choice.
class ChooserCard : public GlassCard {
public:
    std::function<void()> onReturn;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && onReturn) {
            auto fn = onReturn;
            fn();
            return;
        }
        GlassCard::keyPressEvent(event);
    }
};

std::unique_ptr<OverlayWindow> displayPanel(QWidget* content)
{
    auto panel = std::make_unique<OverlayWindow>(Rect(), false);
    panel->setContentView(content);
    return panel;
}

} // namespace

OverlayController::OverlayController(Clock* clock, WindowNumberLookup windowNumber,
                                     std::function<std::vector<ScreenInfo>()> screens)
    : dragged_(clock, windowNumber)
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

OverlayController::~OverlayController() { *alive_ = false; }

void OverlayController::dispose(std::unique_ptr<OverlayWindow> panel)
{
    if (!panel)
        return;
    panel->orderOut();
    panel.release()->deleteLater();
}

std::vector<OverlayWindow*> OverlayController::panels() const
{
    std::vector<OverlayWindow*> all{preview_.get(), returnPreview_.get(), swapSourcePreview_.get(), actionMenu_.get()};
    for (const auto& p : compositionPreviews_)
        all.push_back(p.get());
    for (OverlayWindow* p : {picker.get(), chooser_.get(), editor_.get(), editorToolbar_.get()})
        if (p)
            all.push_back(p);
    for (const auto& [r, p] : assistPanels_)
        all.push_back(p.get());
    for (const auto& p : feedback_->outlines())
        all.push_back(p.get());
    for (OverlayWindow* p : {feedback_->bar(), feedback_->hint()})
        if (p)
            all.push_back(p);
    return all;
}

bool OverlayController::containsPoint(Point p) const
{
    std::vector<OverlayWindow*> candidates;
    for (OverlayWindow* w : {picker.get(), chooser_.get(), editor_.get(), editorToolbar_.get()})
        if (w)
            candidates.push_back(w);
    for (const auto& [r, w] : assistPanels_)
        candidates.push_back(w.get());
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
                        QStringLiteral("arrow.uturn.backward"), armed);
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
    view.update(caption, symbol, armed);
    if (panel.setFrame(frame))
        panel.update();
    // In the view's logical pixels, as the frames are in device ones.
    view.setKeepClear(dragged ? std::optional<QRectF>(DevicePixels::toLogical(*dragged).translated(
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
    dispose(std::move(kept_.panel));
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
        dispose(std::move(panel));
    compositionPreviews_.clear();
    if (picker && pickerBuild_) {
        picker->orderOut();
        dispose(std::move(kept_.panel));
        kept_.panel = std::move(picker);
        kept_.view = pickerView;
        kept_.build = std::move(*pickerBuild_);
    }
    dispose(std::move(picker));
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

void OverlayController::hideAssistPanels()
{
    for (auto& [r, panel] : assistPanels_)
        dispose(std::move(panel));
    assistPanels_.clear();
    assistViews_.clear();
}

void OverlayController::disableAssistControls()
{
    for (const auto& [region, view] : assistViews_) {
        for (QAbstractButton* control : view->controls())
            control->setEnabled(false);
    }
}

void OverlayController::hideAll()
{
    setDraggedWindow(std::nullopt);
    hideReturnPanels();
    actionMenu_->orderOut();
    feedback_->hide();
    hidePicker();
    dispose(std::move(chooser_));
    hideAssistPanels();
    dispose(std::move(editor_));
    editorView_ = nullptr;
    dispose(std::move(editorToolbar_));
}

void OverlayController::showWindowChooser(const ScreenInfo& on, const std::vector<ManagedWindow>& windows,
                                          const QString& title, const std::optional<QString>& subtitle,
                                          std::function<void(const ManagedWindow&)> choose,
                                          std::function<void()> cancel)
{
    dispose(std::move(chooser_));
    // Laid out in logical pixels, as its widgets are.
    const Rect visible = DevicePixels::logicalFrame(topLeftVisibleFrame(on));
    const double w = std::min(visible.width() - 40, 560.0), h = std::min(visible.height() - 100, 450.0);
    const Rect frame(visible.midX() - w / 2, visible.midY() - h / 2, w, h);

    auto panel = std::make_unique<OverlayWindow>(DevicePixels::deviceFrame(frame), true);
    panel->setTitle(QStringLiteral("Choose a Window"));
    panel->setAcceptsKeys(true);
    auto* card = new ChooserCard;
    card->setGeometry(0, 0, int(w), int(h));

    // Laid out from the top: title, subtitle, the list, then the buttons along the bottom.
    auto* titleLabel = makeLabel(title, 22, QFont::DemiBold, StyleColor::label, card);
    titleLabel->setGeometry(24, 24, int(w - 48), 30);
    auto* subtitleLabel = makeLabel(subtitle.value_or(QStringLiteral("Choose a window to arrange on this display.")),
                                    12, QFont::Normal, StyleColor::secondaryLabel, card);
    subtitleLabel->setGeometry(24, 59, int(w - 48), 20);

    auto* scroll = new QScrollArea(card);
    scroll->setObjectName(QStringLiteral("chooserList"));
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setGeometry(16, 95, int(w - 32), int(std::max(h - 157, 1.0)));
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setAutoFillBackground(false);
    scroll->viewport()->setAutoFillBackground(false);
    auto* document = new QWidget;
    const double docWidth = w - 48;
    document->resize(int(docWidth), int(windows.size() * 60));
    for (std::size_t i = 0; i < windows.size(); ++i) {
        const ManagedWindow window = windows[i];
        std::optional<QIcon> icon;
        if (WindowThumbnailButton::appIconLookup())
            icon = WindowThumbnailButton::appIconLookup()(window.pid);
        auto* row = new WindowChoiceButton(window, [choose, window] {
            if (choose)
                choose(window);
        }, icon.value_or(QIcon()), document);
        // Rows every 60 points, 56 high, laid out from the document's bottom: the 4-point
        // gap falls above each row, and the last row ends at the bottom edge.
        row->setGeometry(0, int(i * 60 + 4), int(docWidth), 56);
    }
    scroll->setWidget(document);
    // setWidget turns on the document's background fill, which would paint an opaque box.
    document->setAutoFillBackground(false);

    auto* cancelButton = new ActionButton(QStringLiteral("Cancel"), std::move(cancel), card);
    cancelButton->setGeometry(20, int(h - 48), 190, 30);
    std::weak_ptr<bool> alive = alive_;
    auto done = [this, alive] {
        if (alive.expired() || !onCancel)
            return;
        auto fn = onCancel;
        fn();
    };
    auto* doneButton = new ActionButton(QStringLiteral("Done"), done, card);
    doneButton->setGeometry(int(w - 104), int(h - 48), 80, 30);
    card->onReturn = done;
    card->setFocusPolicy(Qt::StrongFocus);

    panel->setContentView(card);
    chooser_ = std::move(panel);
    chooser_->makeKeyAndOrderFront();
    card->setFocus();
}

void OverlayController::showRegionAssist(const std::map<RegionNumber, Rect>& regions,
                                         const std::vector<ManagedWindow>& windows,
                                         const std::unordered_map<ManagedWindow, QImage>& thumbnails,
                                         std::function<void(RegionNumber, const ManagedWindow&)> choose,
                                         std::function<void(RegionNumber)> skip)
{
    hideAssistPanels();
    dispose(std::move(chooser_));
    preview_->orderOut();

    std::vector<std::pair<RegionNumber, Rect>> ordered(regions.begin(), regions.end());
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
        if (a.second.minY() != b.second.minY())
            return a.second.minY() < b.second.minY();
        return a.second.minX() < b.second.minX();
    });
    if (ordered.empty())
        return;

    std::weak_ptr<bool> alive = alive_;
    OverlayWindow* first = nullptr;
    for (const auto& [region, f] : ordered) {
        auto panel = std::make_unique<OverlayWindow>(f, true);
        panel->setTitle(QStringLiteral("Choose a window for this space"));
        panel->setAcceptsKeys(true);
        const RegionNumber r = region;
        auto* view = new RegionAssistView(
            windows, thumbnails,
            [choose, r](const ManagedWindow& w) {
                if (choose)
                    choose(r, w);
            },
            [skip, r] {
                if (skip)
                    skip(r);
            },
            [this, alive] {
                if (alive.expired() || !onCancel)
                    return;
                auto fn = onCancel;
                fn();
            },
            panel->rect());
        panel->setContentView(view);
        // The first panel is shown last: a window manager that focuses each new window then
        // agrees with the activation below instead of handing the keyboard to a later panel.
        if (!first)
            first = panel.get();
        else
            panel->orderFrontRegardless();
        assistViews_[r] = view;
        assistPanels_[r] = std::move(panel);
    }
    first->makeKeyAndOrderFront();
    const RegionAssistView* firstView = assistViews_[ordered.front().first];
    if (firstView->firstChoice())
        firstView->firstChoice()->setFocus();
}

GlassCard* OverlayController::makeDividerEditorToolbar(DividerEditorView* view, std::function<void()> done)
{
    auto* card = makeGlassCard(QRect(0, 0, 600, 54));
    auto* label = makeLabel(QStringLiteral("Drag to resize. Double-click a divider for 50/50."), 12, QFont::Medium,
                            StyleColor::label, card);
    label->setGeometry(18, 17, 390, 20);
    QPointer<DividerEditorView> weakView(view);
    auto* equalize = new ActionButton(QStringLiteral("50/50"), [weakView] {
        if (weakView)
            weakView->equalizeSelection();
    }, card);
    equalize->setObjectName(QStringLiteral("equalizeButton"));
    equalize->setGeometry(410, 12, 80, 30);
    equalize->setEnabled(false);
    equalize->setToolTip(QStringLiteral("Select a divider, then divide its area into equal halves."));
    equalize->setAccessibleName(QStringLiteral("Reset selected divider to 50/50"));
    QPointer<ActionButton> weakButton(equalize);
    if (view)
        view->onSelectionChange = [weakButton](bool selected) {
            if (weakButton)
                weakButton->setEnabled(selected);
        };
    auto* doneButton = new ActionButton(QStringLiteral("Done"), std::move(done), card);
    doneButton->setObjectName(QStringLiteral("doneButton"));
    doneButton->setGeometry(506, 12, 76, 30);
    return card;
}

void OverlayController::showDividerEditor(const ScreenInfo& on, const SnapLayout& layout,
                                          std::function<void(const DividerPath&)> onEqualize,
                                          std::function<void(const DividerPath&, double, bool)> onChange)
{
    hideAll();
    const Rect visible = topLeftVisibleFrame(on);
    auto panel = std::make_unique<OverlayWindow>(visible, true);
    panel->setAcceptsKeys(false);
    // Below its bar's level: the bar comes back above the editor whenever the editor is raised.
    panel->setLevel(OverlayWindow::aboveWindowsLevel);
    auto* view = new DividerEditorView(layout, panel->rect());
    view->onChange = std::move(onChange);
    view->onEqualize = std::move(onEqualize);
    panel->setContentView(view);
    editor_ = std::move(panel);
    editorView_ = view;
    editor_->orderFrontRegardless();

    const Rect area = DevicePixels::logicalFrame(visible);
    auto toolbar = std::make_unique<OverlayWindow>(
        DevicePixels::deviceFrame(Rect(area.midX() - 300, area.minY() + 22, 600, 54)), true);
    std::weak_ptr<bool> alive = alive_;
    toolbar->setContentView(makeDividerEditorToolbar(view, [this, alive] {
        if (alive.expired() || !onCancel)
            return;
        auto fn = onCancel;
        fn();
    }));
    editorToolbar_ = std::move(toolbar);
    editorToolbar_->orderFrontRegardless();
}

void OverlayController::updateDividerEditor(const SnapLayout& layout)
{
    if (!editor_ || !editorView_)
        return;
    editorView_->setLayout(layout);
}

void OverlayController::updateAssistThumbnail(const QImage& image, const ManagedWindow& window)
{
    for (auto& [r, view] : assistViews_) {
        auto it = view->choices().find(window);
        if (it == view->choices().end())
            continue;
        it->second->thumbnail = image;
        it->second->update();
    }
}

} // namespace fw
