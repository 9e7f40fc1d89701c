// The transient notice: one text at a time near the bottom of the display under the pointer; a newer
// notice replaces the shown one and the older timer cannot hide it.
#include "overlay/ToastController.h"

#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "platform/qt/DevicePixels.h"

namespace fw {

ToastController::ToastController(Clock& clock, const Screens& screens, std::function<std::optional<Point>()> pointer)
    : clock_(clock), screens_(screens), pointer_(std::move(pointer))
{
}

ToastController::~ToastController()
{
    if (dismissal_)
        clock_.cancel(*dismissal_);
}

Rect ToastController::noticeFrame(const Rect& visible)
{
    const double w = std::min(visible.width() - 40, 540.0);
    const double h = 86;
    return Rect(visible.midX() - w / 2, visible.maxY() - 40 - h, w, h);
}

QRect ToastController::textFrame(const QFontMetrics& metrics, const QString& text, int width)
{
    // The text's band, 52 high and inset 20 at the sides, is centred in the 86-high card; the
    // wrapped lines stand centred in it, as many as fit.
    const QRect band(20, 17, width - 40, 52);
    const int needed = metrics.boundingRect(QRect(0, 0, band.width(), 10000), Qt::TextWordWrap, text).height();
    const int h = std::min(band.height(), needed);
    return QRect(band.x(), band.y() + (band.height() - h) / 2, band.width(), h);
}

void ToastController::hide()
{
    if (panel_)
        panel_->orderOut();
    panel_.reset();
    text_.clear();
}

void ToastController::show(const QString& text, double seconds)
{
    if (dismissal_) {
        clock_.cancel(*dismissal_);
        dismissal_.reset();
    }
    hide();

    const std::vector<ScreenInfo> screens = screens_.screens();
    if (screens.empty())
        return;
    const ScreenInfo* screen = &screens.front();
    if (auto p = pointer_ ? pointer_() : std::nullopt) {
        for (const ScreenInfo& s : screens) {
            if (s.frame.contains(*p)) {
                screen = &s;
                break;
            }
        }
    }

    // Laid out in logical pixels, as its card is.
    const Rect frame = noticeFrame(DevicePixels::logicalFrame(screen->visibleFrame));
    auto panel = std::make_unique<OverlayWindow>(DevicePixels::deviceFrame(frame), false);
    const int w = int(std::lround(frame.width()));
    auto* card = makeGlassCard(QRect(0, 0, w, 86));
    auto* label = makeLabel(text, 13, QFont::Medium, StyleColor::label, card);
    label->setWordWrap(true);
    label->setGeometry(textFrame(label->fontMetrics(), text, w));
    panel->setContentView(card);
    panel->setAccessibleName(text);
    panel->orderFrontRegardless();
    panel_ = std::move(panel);
    text_ = text;

    // The timer belongs to this notice: the next show cancels it, and so does destruction.
    dismissal_ = clock_.schedule(milliseconds(std::max(0.0, seconds) * 1000.0), [this] {
        dismissal_.reset();
        hide();
    });
}

} // namespace fw
