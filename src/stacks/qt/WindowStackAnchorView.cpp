// The anchor's view and its switcher popover and key panel, as Qt windows.
#include "stacks/qt/WindowStackAnchorView.h"

#include "overlay/OverlayStyle.h"
#include "platform/qt/DevicePixels.h"
#include "stacks/qt/WindowStackPicker.h"

#include <QEvent>

namespace fw {

WindowStackAnchorView::WindowStackAnchorView(const AnchorServices& services, QWidget* parent)
    : QWidget(parent), popover_(std::make_unique<OverlayWindow>(Rect(0, 0, 1, 1), true)),
      anchor_(std::make_unique<WindowStackAnchor>(services, *this))
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    popover_->setTitle(u"Window Stack"_qs);
    popover_->setContentView(makeGlassCard(QRect(0, 0, 1, 1)));
}

WindowStackAnchorView::~WindowStackAnchorView()
{
    anchor_.reset();
    if (keyPanel_)
        delete keyPanel_.data();
}

void WindowStackAnchorView::makePicker(PickerContent content, PickerSlots actions)
{
    // A picker made but never shown has no owner yet.
    if (picker_ && !picker_->parent())
        delete picker_.data();
    auto* picker = new WindowStackPicker(std::move(content));
    picker->close = std::move(actions.close);
    picker->peek = std::move(actions.peek);
    picker->stretch = std::move(actions.stretch);
    picker->cycle = std::move(actions.cycle);
    picker_ = picker;
}

Size WindowStackAnchorView::pickerSize() const
{
    // Laid out in logical pixels; shown near the anchor, in that screen's device pixels.
    const Rect anchor = anchorFrame();
    const double ratio = DevicePixels::ratioAt(Point{anchor.midX(), anchor.midY()});
    return picker_ ? Size{picker_->width() * ratio, picker_->height() * ratio} : Size{};
}

void WindowStackAnchorView::setThumbnail(const Thumbnail& image, const ManagedWindow& window)
{
    if (picker_)
        picker_->setThumbnail(image, window);
}

void WindowStackAnchorView::markCurrent(const std::optional<ManagedWindow>& front)
{
    if (picker_)
        picker_->markCurrent(front);
}

void WindowStackAnchorView::place(OverlayWindow& panel, WindowStackPicker* picker, const Rect& frame)
{
    panel.setFrame(frame);
    QWidget* card = panel.contentView();
    card->setGeometry(panel.rect());
    picker->setParent(card);
    picker->move(0, 0);
    picker->show();
    panel.updateShape();
}

void WindowStackAnchorView::showPopover(const Rect& frame, bool)
{
    // Shown at once: the panel has no fade of its own.
    if (!picker_)
        return;
    release(popoverPicker_);
    place(*popover_, picker_, frame);
    popoverPicker_ = picker_;
    popover_->orderFrontRegardless();
}

bool WindowStackAnchorView::popoverShown() const { return popover_->isVisible(); }

std::optional<Rect> WindowStackAnchorView::popoverFrame() const
{
    if (!popover_->isVisible())
        return std::nullopt;
    return popover_->frame();
}

void WindowStackAnchorView::closePopover()
{
    if (!popover_->isVisible())
        return;
    popover_->orderOut();
    if (popoverDidClose) {
        auto told = popoverDidClose;
        told();
    }
}

void WindowStackAnchorView::clearPopoverContent()
{
    if (popoverPicker_ == picker_)
        picker_ = nullptr;
    release(popoverPicker_);
}

void WindowStackAnchorView::release(QPointer<WindowStackPicker>& picker)
{
    if (picker) {
        picker->hide();
        picker->deleteLater();
    }
    picker = nullptr;
}

void WindowStackAnchorView::showKeyPanel(const Rect& frame)
{
    if (keyPanel_ || !picker_)
        return;
    auto* panel = new OverlayWindow(frame, true);
    panel->setTitle(u"Window Stack"_qs);
    panel->setHasShadow(true);
    panel->setLevel(OverlayWindow::aboveEverythingLevel);
    panel->setContentView(makeGlassCard(panel->rect()));
    panel->setAcceptsKeys(true);
    place(*panel, picker_, frame);
    panel->installEventFilter(this);
    keyPanel_ = panel;
    keyPanelActive_ = false;
    panel->makeKeyAndOrderFront();
    if (!picker_->orderedChoices().empty())
        picker_->orderedChoices().front()->setFocus(Qt::OtherFocusReason);
}

void WindowStackAnchorView::makeKeyPanelKey()
{
    if (keyPanel_)
        keyPanel_->makeKeyAndOrderFront();
}

void WindowStackAnchorView::closeKeyPanel()
{
    if (!keyPanel_)
        return;
    OverlayWindow* panel = keyPanel_;
    keyPanel_ = nullptr;
    keyPanelActive_ = false;
    panel->removeEventFilter(this);
    if (picker_ && picker_->window() == panel)
        picker_ = nullptr;
    panel->orderOut();
    // Later: the key or click that closed it may still be on its way through the panel.
    panel->deleteLater();
}

Rect WindowStackAnchorView::anchorFrame() const
{
    // From the geometry asked of the panel: its window is never mapped, so the server knows
    // no place for it.
    const QPoint at = window()->geometry().topLeft() + mapTo(window(), QPoint(0, 0));
    return DevicePixels::toDevice(QRectF(QPointF(at), QSizeF(size())));
}

bool WindowStackAnchorView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == keyPanel_ && event->type() == QEvent::ActivationChange) {
        const bool active = keyPanel_->isActiveWindow();
        const bool resigned = keyPanelActive_ && !active;
        keyPanelActive_ = active;
        if (resigned && keyPanelDidResignKey) {
            auto told = keyPanelDidResignKey;
            told();
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace fw
