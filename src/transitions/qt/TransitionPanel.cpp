// A click-through overlay panel holding the OpenGL window that transition frames are drawn into.
#include "transitions/qt/TransitionPanel.h"

#include "overlay/OverlayWindow.h"
#include "transitions/qt/TransitionGpu.h"

#include <QWidget>
#include <QWindow>
#include <cmath>

namespace fw {

TransitionPanel::TransitionPanel(const Rect& frame, int level)
    : panel_(std::make_unique<OverlayWindow>(frame, false))
{
    panel_->setLevel(level);
    panel_->setTitle(QStringLiteral("Framewell transition"));
    surface_ = new QWindow;
    surface_->setSurfaceType(QSurface::OpenGLSurface);
    surface_->setFormat(TransitionGpu::surfaceFormat());
    surface_->setFlag(Qt::WindowTransparentForInput);
    QWidget* container = QWidget::createWindowContainer(surface_, nullptr, Qt::WindowTransparentForInput);
    container->setAttribute(Qt::WA_TransparentForMouseEvents);
    panel_->setContentView(container);
}

TransitionPanel::~TransitionPanel()
{
    if (panel_)
        panel_->orderOut();
}

PixelSize TransitionPanel::drawableSize() const
{
    const double ratio = surface_->devicePixelRatio();
    return {std::max(1, int(std::lround(surface_->width() * ratio))), std::max(1, int(std::lround(surface_->height() * ratio)))};
}

bool TransitionPanel::exposed() const { return surface_->isExposed(); }

void TransitionPanel::orderFront() { panel_->orderFrontRegardless(); }

void TransitionPanel::orderOut() { panel_->orderOut(); }

} // namespace fw
