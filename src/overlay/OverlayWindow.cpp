#include "overlay/OverlayWindow.h"

#include "platform/PanelStacking.h"
#include "platform/qt/DevicePixels.h"

#include <QResizeEvent>
#include <QWindow>
#include <algorithm>

namespace fw {

namespace {

PanelStacking* gStacking = nullptr;

std::vector<OverlayWindow*>& registry()
{
    static std::vector<OverlayWindow*> panels;
    return panels;
}

} // namespace

void OverlayWindow::setStacking(PanelStacking* stacking) { gStacking = stacking; }
PanelStacking* OverlayWindow::stacking() { return gStacking; }
std::vector<OverlayWindow*> OverlayWindow::allPanels() { return registry(); }

OverlayWindow::OverlayWindow(const Rect& contentRect, bool interactive)
    : QWidget(nullptr), ignoresMouse_(!interactive), hasShadow_(interactive)
{
    translucent_ = gStacking ? gStacking->compositing() : true;
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground, translucent_);
    setAttribute(Qt::WA_NoSystemBackground, translucent_);
    applyFlags();
    const QRect r = DevicePixels::widgetGeometry(contentRect);
    setGeometry(r.isValid() ? r : QRect(r.topLeft(), QSize(1, 1)));
    registry().push_back(this);
}

OverlayWindow::~OverlayWindow()
{
    auto& panels = registry();
    panels.erase(std::remove(panels.begin(), panels.end(), this), panels.end());
}

void OverlayWindow::applyFlags()
{
    const bool wasVisible = isVisible();
    Qt::WindowFlags flags = Qt::FramelessWindowHint | Qt::NoDropShadowWindowHint | Qt::WindowStaysOnTopHint;
    if (ignoresMouse_) {
        // Only unmanaged windows let clicks through on X11: a window manager's frame would
        // catch them.
        flags |= Qt::Window | Qt::X11BypassWindowManagerHint | Qt::WindowTransparentForInput;
    } else {
        flags |= Qt::Tool;
    }
    if (!acceptsKeys_)
        flags |= Qt::WindowDoesNotAcceptFocus;
    setAttribute(Qt::WA_X11DoNotAcceptFocus, !acceptsKeys_);
    setWindowFlags(flags);
    if (wasVisible)
        show();
}

void OverlayWindow::setAcceptsKeys(bool accepts)
{
    if (accepts == acceptsKeys_)
        return;
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

void OverlayWindow::updateShape()
{
    if (translucent_)
        return;
    // Without a compositor the corners outside a rounded card would show black.
    const auto* shaped = dynamic_cast<const ShapedContent*>(content_.data());
    const auto outline = shaped && content_->geometry() == rect() ? shaped->shapeOutline() : std::nullopt;
    if (outline) {
        setMask(QRegion(outline->toFillPolygon().toPolygon()));
    } else {
        clearMask();
    }
}

void OverlayWindow::raiseHigherLevels()
{
    std::vector<OverlayWindow*> above;
    for (OverlayWindow* p : registry())
        if (p != this && p->isVisible() && p->level_ > level_)
            above.push_back(p);
    std::stable_sort(above.begin(), above.end(), [](auto* a, auto* b) { return a->level_ < b->level_; });
    for (OverlayWindow* p : above)
        p->raise();
}

void OverlayWindow::orderFrontRegardless()
{
    show();
    raise();
    raiseHigherLevels();
}

void OverlayWindow::makeKeyAndOrderFront()
{
    orderFrontRegardless();
    if (acceptsKeys_)
        activateWindow();
}

void OverlayWindow::orderOut() { hide(); }

void OverlayWindow::orderBelow(std::optional<WindowId> window)
{
    level_ = 0;
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
