// The panels that wait on the user: the window chooser, the region assist panels and the
// divider editor with its toolbar; shown, updated and hidden here, every "Done" handed back.
#include "overlay/ChoicePanels.h"

#include "layout/ScreenGeometry.h"
#include "overlay/ActionButton.h"
#include "overlay/DividerEditorView.h"
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

// The chooser's card: Return and Enter run "Done" while no row is ringed (a ringed row takes
// them itself).
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

} // namespace

ChoicePanels::ChoicePanels(const std::function<void()>& onCancel, Before before)
    : onCancel_(onCancel), before_(std::move(before))
{
}

ChoicePanels::~ChoicePanels() = default;

std::function<void()> ChoicePanels::doneRun()
{
    std::weak_ptr<bool> alive = alive_;
    return [this, alive] {
        if (alive.expired() || !onCancel_)
            return;
        auto fn = onCancel_;
        fn();
    };
}

std::vector<OverlayWindow*> ChoicePanels::panels() const
{
    std::vector<OverlayWindow*> all;
    for (OverlayWindow* p : {chooser_.get(), editor_.get(), editorToolbar_.get()})
        if (p)
            all.push_back(p);
    for (const auto& [r, p] : assistPanels_)
        all.push_back(p.get());
    return all;
}

void ChoicePanels::hideAll()
{
    disposePanel(std::move(chooser_));
    hideAssistPanels();
    disposePanel(std::move(editor_));
    editorView_ = nullptr;
    disposePanel(std::move(editorToolbar_));
}

void ChoicePanels::showWindowChooser(const ScreenInfo& on, const std::vector<ManagedWindow>& windows,
                                     const QString& title, const std::optional<QString>& subtitle,
                                     std::function<void(const ManagedWindow&)> choose,
                                     std::function<void()> cancel)
{
    disposePanel(std::move(chooser_));
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
            icon = WindowThumbnailButton::appIconLookup()(window.element);
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
    auto done = doneRun();
    auto* doneButton = new ActionButton(QStringLiteral("Done"), done, card);
    doneButton->setGeometry(int(w - 104), int(h - 48), 80, 30);
    card->onReturn = done;
    card->setFocusPolicy(Qt::StrongFocus);

    panel->setContentView(card);
    chooser_ = std::move(panel);
    chooser_->makeKeyAndOrderFront();
    card->setFocus();
}

void ChoicePanels::showRegionAssist(const std::map<RegionNumber, Rect>& regions,
                                    const std::vector<ManagedWindow>& windows,
                                    const std::unordered_map<ManagedWindow, QImage>& thumbnails,
                                    std::function<void(RegionNumber, const ManagedWindow&)> choose,
                                    std::function<void(RegionNumber)> skip)
{
    hideAssistPanels();
    disposePanel(std::move(chooser_));
    if (before_.assist)
        before_.assist();

    std::vector<std::pair<RegionNumber, Rect>> ordered(regions.begin(), regions.end());
    std::stable_sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
        if (a.second.minY() != b.second.minY())
            return a.second.minY() < b.second.minY();
        return a.second.minX() < b.second.minX();
    });
    if (ordered.empty())
        return;

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
            doneRun(),
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

GlassCard* ChoicePanels::makeDividerEditorToolbar(DividerEditorView* view, std::function<void()> done)
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

void ChoicePanels::showDividerEditor(const ScreenInfo& on, const SnapLayout& layout,
                                     std::function<void(const DividerPath&)> onEqualize,
                                     std::function<void(const DividerPath&, double, bool)> onChange)
{
    if (before_.editor)
        before_.editor();
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
    toolbar->setContentView(makeDividerEditorToolbar(view, doneRun()));
    editorToolbar_ = std::move(toolbar);
    editorToolbar_->orderFrontRegardless();
}

void ChoicePanels::updateDividerEditor(const SnapLayout& layout)
{
    if (!editor_ || !editorView_)
        return;
    editorView_->setLayout(layout);
}

void ChoicePanels::updateAssistThumbnail(const QImage& image, const ManagedWindow& window)
{
    for (auto& [r, view] : assistViews_) {
        auto it = view->choices().find(window);
        if (it == view->choices().end())
            continue;
        it->second->thumbnail = image;
        it->second->update();
    }
}

void ChoicePanels::hideAssistPanels()
{
    for (auto& [r, panel] : assistPanels_)
        disposePanel(std::move(panel));
    assistPanels_.clear();
    assistViews_.clear();
}

void ChoicePanels::disableAssistControls()
{
    for (const auto& [region, view] : assistViews_) {
        for (QAbstractButton* control : view->controls())
            control->setEnabled(false);
    }
}

} // namespace fw
