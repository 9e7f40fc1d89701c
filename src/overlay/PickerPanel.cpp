// The picker's panel on a display: a glass card holding the view, in a vertical scroll view
// when the view is taller than the display allows; the view makes the cards that scroll into
// sight as they come.
#include "overlay/OverlayView.h"

#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "platform/qt/DevicePixels.h"

#include <QScrollArea>
#include <QScrollBar>

#include <cmath>

namespace fw {

std::unique_ptr<OverlayWindow> makePickerPanel(OverlayView* view, const Rect& visibleFrame, bool dragging)
{
    // Hung in logical pixels, in which the view is laid out.
    const Rect frame = pickerFrame(DevicePixels::logicalFrame(visibleFrame), view->width(), view->height());
    auto panel = std::make_unique<OverlayWindow>(DevicePixels::deviceFrame(frame), !dragging);
    panel->setTitle(u"Choose a Layout"_qs);
    panel->setAcceptsKeys(!dragging);
    auto* card = makeGlassCard(QRect(0, 0, int(std::lround(frame.width())), int(std::lround(frame.height()))));
    card->setCornerRadius(26);
    if (view->height() > card->height()) {
        auto* scroll = new QScrollArea(card);
        scroll->setFrameShape(QFrame::NoFrame);
        scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        scroll->setWidgetResizable(false);
        scroll->viewport()->setAutoFillBackground(false);
        scroll->setAutoFillBackground(false);
        scroll->setGeometry(card->rect());
        scroll->setWidget(view);
        view->setAutoFillBackground(false);
        QScrollBar* bar = scroll->verticalScrollBar();
        QObject::connect(bar, &QScrollBar::valueChanged, view, [view, card](int top) {
            view->buildCards(top, top + card->height());
        });
        view->buildCards(0, card->height());
    } else {
        view->setParent(card);
        view->move(0, 0);
    }
    panel->setContentView(card);
    panel->setHasShadow(false);
    return panel;
}

void showPickerPanel(OverlayWindow& panel, OverlayView& view, bool dragging)
{
    if (dragging) {
        panel.orderFrontRegardless();
        return;
    }
    panel.makeKeyAndOrderFront();
    view.setFocus(Qt::OtherFocusReason);
}

} // namespace fw
