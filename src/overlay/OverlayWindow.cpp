// The floating panel under every overlay surface: X11 window flags, click-through, stacking
// levels among our panels, the shape that cuts every panel to what it draws, and the times of
// the presses the panels took (its keyboard: OverlayWindowKeyboard.cpp).
#include "overlay/OverlayWindow.h"

#include "platform/PanelFocus.h"
#include "platform/PanelStacking.h"
#include "platform/qt/DevicePixels.h"

#include <QApplication>
#include <QMouseEvent>
#include <QResizeEvent>
#include <QWindow>
#include <algorithm>
#include <array>
#include <cmath>

namespace fw {

namespace {

PanelStacking* gStacking = nullptr;

std::vector<OverlayWindow*>& registry()
{
    static std::vector<OverlayWindow*> panels;
    return panels;
}

// The window system's times of the last presses any panel took (a panel's buttons take them,
// so they are watched application-wide), newest last. Every press, release or key any window of
// ours takes is noted as the user's input (the toolkit may read clicks through the input
// extension, which the window system's own filters do not see).
class PanelPresses final : public QObject {
public:
    // The application's (made anew with each application, as tests make them).
    static PanelPresses& instance()
    {
        static QPointer<PanelPresses> presses;
        if (!presses) {
            presses = new PanelPresses(qApp);
            qApp->installEventFilter(presses);
        }
        return *presses;
    }
    bool took(std::uint32_t time) const { return time && std::find(times_.begin(), times_.end(), time) != times_.end(); }

    bool eventFilter(QObject* receiver, QEvent* event) override
    {
        if (!receiver->isWidgetType())
            return false;
        const QEvent::Type type = event->type();
        if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease && type != QEvent::KeyPress
            && type != QEvent::KeyRelease)
            return false;
        const auto time = std::uint32_t(static_cast<QInputEvent*>(event)->timestamp());
        OverlayWindow::noteUserInput(time);
        if (type != QEvent::MouseButtonPress)
            return false;
        if (qobject_cast<OverlayWindow*>(static_cast<QWidget*>(receiver)->window()) && !took(time)) {
            std::rotate(times_.begin(), times_.begin() + 1, times_.end());
            times_.back() = time;
        }
        return false;
    }

private:
    using QObject::QObject;
    std::array<std::uint32_t, 8> times_{};
};

} // namespace

std::optional<QRegion> ShapedContent::shapeRegion() const
{
    const auto outline = shapeOutline();
    if (!outline)
        return std::nullopt;
    return QRegion(outline->toFillPolygon().toPolygon(), outline->fillRule());
}

void disposePanel(std::unique_ptr<OverlayWindow> panel)
{
    if (!panel)
        return;
    panel->orderOut();
    panel.release()->deleteLater();
}

void reshapePanelOf(const QWidget* widget)
{
    if (auto* panel = qobject_cast<OverlayWindow*>(widget->window()))
        panel->updateShape();
}

bool showsTranslucent(const QWidget* widget)
{
    const auto* panel = qobject_cast<const OverlayWindow*>(widget->window());
    return !panel || panel->isTranslucent();
}

void OverlayWindow::setStacking(PanelStacking* stacking)
{
    if (gStacking && gStacking != stacking)
        gStacking->setCompositingObserver({});
    gStacking = stacking;
    if (!stacking)
        return;
    // A panel made before the port stands unmanaged from now on, as one made after it.
    const std::vector<OverlayWindow*> made = registry();
    for (OverlayWindow* p : made)
        if (!p->windowFlags().testFlag(Qt::X11BypassWindowManagerHint))
            p->applyFlags();
    stacking->setCompositingObserver([] { followCompositing(); });
    followCompositing();
}

void OverlayWindow::followCompositing()
{
    const bool translucent = gStacking ? gStacking->compositing() : true;
    // A copy: a panel's owner may react to the change by making or deleting panels.
    const std::vector<OverlayWindow*> panels = registry();
    for (OverlayWindow* p : panels)
        p->setTranslucent(translucent);
}
PanelStacking* OverlayWindow::stacking() { return gStacking; }

std::vector<OverlayWindow*> OverlayWindow::allPanels() { return registry(); }

bool OverlayWindow::tookPress(std::uint32_t time) { return qApp && PanelPresses::instance().took(time); }

bool OverlayWindow::openedAfter(std::uint32_t time)
{
    const auto& panels = registry();
    return time && std::any_of(panels.begin(), panels.end(), [time](const OverlayWindow* w) {
        return w->isOrderedIn() && !w->ignoresMouse_ && w->openedAfter_ && !serverTimeBefore(w->openedAfter_, time);
    });
}

OverlayWindow::OverlayWindow(const Rect& contentRect, bool interactive)
    : QWidget(nullptr), ignoresMouse_(!interactive), hasShadow_(interactive)
{
    if (qApp)
        PanelPresses::instance(); // watching from the first panel on
    translucent_ = gStacking ? gStacking->compositing() : true;
    setAttribute(Qt::WA_ShowWithoutActivating);
    // Qt shows tooltips only in the active window, and most panels never take the keyboard.
    setAttribute(Qt::WA_AlwaysShowToolTips);
    setAttribute(Qt::WA_TranslucentBackground, translucent_);
    setAttribute(Qt::WA_NoSystemBackground, translucent_);
    applyFlags();
    const QRect r = DevicePixels::widgetGeometry(contentRect);
    setGeometry(r.isValid() ? r : QRect(r.topLeft(), QSize(1, 1)));
    registry().push_back(this);
}

OverlayWindow::~OverlayWindow()
{
    letGoOfKeyboard();
    giveKeyboardBack();
    auto& panels = registry();
    panels.erase(std::remove(panels.begin(), panels.end(), this), panels.end());
}

void OverlayWindow::applyFlags()
{
    const bool wasVisible = isVisible();
    Qt::WindowFlags flags = Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool;
    // Every panel is unmanaged where the stacking port keeps it in its place among the windows
    // (and one that lets clicks through is on X11 always: a window manager's frame would catch
    // them). A window manager's frame round a panel would be shadowed by a compositor as a box
    // whatever the panel says (xcompmgr -c round openbox's and evilwm's), its corners would stay
    // cut to whole pixels, and a tiling manager would frame and place it as it likes. A tool
    // window still: Qt closes the open popup (a menu, the list of a combo box) whenever a plain
    // window shows, as a badge or a notice may at any time.
    if (ignoresMouse_ || gStacking)
        flags |= Qt::X11BypassWindowManagerHint;
    if (ignoresMouse_)
        flags |= Qt::WindowTransparentForInput;
    if (!acceptsKeys_)
        flags |= Qt::WindowDoesNotAcceptFocus;
    setAttribute(Qt::WA_X11DoNotAcceptFocus, !acceptsKeys_);
    setWindowFlags(flags);
    // Unmanaged or not decides what the shape cuts.
    updateShape();
    if (wasVisible)
        show();
}

void OverlayWindow::setAcceptsKeys(bool accepts)
{
    if (accepts == acceptsKeys_)
        return;
    if (!accepts)
        letGoOfKeyboard();
    acceptsKeys_ = accepts;
    applyFlags();
}

void OverlayWindow::setIgnoresMouseEvents(bool ignores)
{
    if (ignores == ignoresMouse_)
        return;
    ignoresMouse_ = ignores;
    applyFlags();
}

void OverlayWindow::setClickThrough(bool through)
{
    ignoresMouse_ = through;
    if (QWindow* handle = windowHandle())
        handle->setFlag(Qt::WindowTransparentForInput, through);
    // The toolkit takes clicks over the whole window again: cut to the shape anew.
    inputShaped_ = inputShaped_ || !through;
    applyInputShape();
}

Rect OverlayWindow::frame() const { return DevicePixels::windowFrame(geometry()); }

bool OverlayWindow::setFrame(const Rect& frame)
{
    const QRect r = DevicePixels::widgetGeometry(frame);
    if (r == geometry())
        return false;
    setGeometry(r);
    // A hidden widget gets its resize event only when shown; the content follows now.
    if (content_)
        content_->setGeometry(rect());
    updateShape();
    return true;
}

void OverlayWindow::setContentView(QWidget* view)
{
    if (content_ == view)
        return;
    delete content_;
    content_ = view;
    if (view) {
        view->setParent(this);
        view->setGeometry(rect());
        view->show();
    }
    updateShape();
}

void OverlayWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (content_)
        content_->setGeometry(rect());
    updateShape();
}

void OverlayWindow::showEvent(QShowEvent* event)
{
    // Sent before the native window is mapped; the window may be new (made anew for another
    // visual), without the input shape its predecessor had.
    if (gStacking) {
        gStacking->preparePanel(winId());
        applyInputShape();
    }
    // A press the mouse monitor hands on after this (it may lag behind the toolkit's events)
    // is known to have come before the panel when the user's last input to us came no earlier:
    // a click or key of ours, or the hot key that opened the panel.
    openedAfter_ = userInputTime();
    QWidget::showEvent(event);
}

void OverlayWindow::hideEvent(QHideEvent* event)
{
    letGoOfKeyboard();
    QWidget::hideEvent(event);
}

void OverlayWindow::setTranslucent(bool compositing)
{
    const bool made = testAttribute(Qt::WA_WState_Created);
    const bool holdsKeys = acceptsKeys_ && isVisible();
    if (made && (holdsKeys || (content_ && content_->internalWinId()))) {
        // A shown panel that takes keys would lose the keyboard with its window, and native
        // content (an OpenGL surface) would go with it: such a panel keeps its visual,
        // translucent only where that has an alpha channel.
        const bool translucent = compositing && testAttribute(Qt::WA_TranslucentBackground);
        if (translucent != translucent_) {
            translucent_ = translucent;
            updateShape();
            update();
        }
        return;
    }
    if (compositing == translucent_)
        return;
    translucent_ = compositing;
    // A native window keeps the visual it was made with: an unmanaged one is made anew, shown
    // again at its place and level.
    const bool shown = isVisible();
    if (made) {
        hide();
        destroy();
    }
    setAttribute(Qt::WA_TranslucentBackground, translucent_);
    setAttribute(Qt::WA_NoSystemBackground, translucent_);
    updateShape();
    if (!shown)
        return;
    if (level_ == 0)
        orderBelow(below_);
    else
        orderFrontRegardless();
}

void OverlayWindow::updateShape()
{
    // The panel keeps only what its content draws. Without a compositor that blends, the shape
    // cuts what is shown: the corners outside a rounded card would show black and a panel over
    // the windows would hide them (a compositor that ignores alpha, the server's own automatic
    // compositing, shows every transparent pixel black as well). Under one that blends, an
    // unmanaged panel leaves its transparent pixels to alpha, so edges stay smooth and a
    // compositor's shadow has no cut rectangle to show round them: the shape cuts only where the
    // panel takes clicks. One the window manager manages (a panel that takes clicks, made without
    // the stacking port) stays cut: a frame without alpha (evilwm's) would show black round it.
    // A cut-out is cut either way.
    const auto* shaped = dynamic_cast<const ShapedContent*>(content_.data());
    std::optional<QRegion> shape = shaped && content_->geometry() == rect() ? shaped->shapeRegion() : std::nullopt;
    if (shape && shape->isEmpty())
        shape.reset();
    std::optional<QRegion> shown = leavesShapeToAlpha() ? std::nullopt : shape;
    if (!cutOut_.isEmpty()) {
        const QRegion cut = cutOut_.translated(-geometry().topLeft());
        shape = shape.value_or(QRegion(rect())) - cut;
        shown = shown.value_or(QRegion(rect())) - cut;
        // An empty mask would show the whole panel: one corner pixel stands for nothing.
        for (auto* region : {&shape, &shown})
            if ((*region)->isEmpty())
                *region = QRegion(0, 0, 1, 1);
    }
    shape_ = shape;
    if (!shown) {
        if (!mask().isEmpty())
            clearMask();
    } else if (*shown != mask()) {
        setMask(*shown);
    }
    applyInputShape();
}

bool OverlayWindow::leavesShapeToAlpha() const
{
    return translucent_ && windowFlags().testFlag(Qt::X11BypassWindowManagerHint);
}

void OverlayWindow::applyInputShape()
{
    // A panel that lets clicks through keeps the toolkit's empty input shape; where the shown
    // shape already cuts clicks, nothing more is needed.
    const bool wanted = leavesShapeToAlpha() && shape_;
    if (!gStacking || !internalWinId() || ignoresMouse_ || (!wanted && !inputShaped_))
        return;
    inputShaped_ = wanted;
    if (!wanted) {
        gStacking->setInputShape(internalWinId(), std::nullopt);
        return;
    }
    std::vector<Rect> rects;
    const double ratio = devicePixelRatioF();
    for (const QRect& r : *shape_) {
        const QRect d(QPoint(int(std::lround(r.left() * ratio)), int(std::lround(r.top() * ratio))),
                      QPoint(int(std::lround((r.right() + 1) * ratio)) - 1, int(std::lround((r.bottom() + 1) * ratio)) - 1));
        rects.emplace_back(d.x(), d.y(), d.width(), d.height());
    }
    gStacking->setInputShape(internalWinId(), rects);
}

void OverlayWindow::setCutOut(const QRegion& global)
{
    if (global == cutOut_)
        return;
    cutOut_ = global;
    updateShape();
}

QRegion OverlayWindow::shape() const { return shape_.value_or(QRegion(rect())); }

QRegion OverlayWindow::globalShape() const { return shape().translated(geometry().topLeft()); }

void OverlayWindow::raiseHigherLevels()
{
    std::vector<OverlayWindow*> above;
    for (OverlayWindow* p : registry())
        if (p != this && p->isVisible() && p->level_ > level_)
            above.push_back(p);
    std::stable_sort(above.begin(), above.end(), [](auto* a, auto* b) { return a->level_ < b->level_; });
    for (OverlayWindow* p : above)
        p->raise();
    // The toolkit's own tooltips and menus stay over every panel: they belong to what the
    // pointer is on.
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible() && (w->windowType() == Qt::ToolTip || w->windowType() == Qt::Popup))
            w->raise();
    }
}

void OverlayWindow::orderFrontRegardless()
{
    show();
    raise();
    raiseHigherLevels();
}

void OverlayWindow::orderOut()
{
    // Before the panel is unmapped: the server would move the keyboard to its parent first. The
    // hold ends first: it would take the focus back.
    letGoOfKeyboard();
    giveKeyboardBack();
    hide();
}

void OverlayWindow::orderBelow(std::optional<WindowId> window)
{
    level_ = 0;
    below_ = window;
    show();
    bool placed = false;
    if (gStacking && window)
        placed = gStacking->orderBelow(winId(), *window);
    if (!placed) {
        if (gStacking)
            gStacking->orderToBack(winId());
        else
            lower();
    }
}

} // namespace fw
