#pragma once
// Transient notices: one text at a time, near the bottom of the display under the pointer,
// hidden after the given time. A newer notice replaces the one on screen at once, and the
// older notice's timer can never hide it.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "platform/Screens.h"

#include <QFontMetrics>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

namespace fw {

class OverlayWindow;

class ToastController {
public:
    // `pointer` answers the pointer's global position, or nothing when it is unknown.
    ToastController(Clock& clock, const Screens& screens, std::function<std::optional<Point>()> pointer);
    ~ToastController();
    ToastController(const ToastController&) = delete;
    ToastController& operator=(const ToastController&) = delete;

    // Shows the text as the one notice for `seconds`. With no display at all, only hides the
    // earlier notice.
    void show(const QString& text, double seconds);

    // The notice on screen, if any.
    OverlayWindow* panel() const { return panel_.get(); }
    QString text() const { return text_; }

    // Where a notice goes on a display: 40 points above the bottom of the visible frame,
    // centred, min(visible width − 40, 540) wide and 86 high.
    static Rect noticeFrame(const Rect& visibleFrame);
    // Where the text goes in a notice `width` wide: its wrapped lines centred in the card.
    static QRect textFrame(const QFontMetrics& metrics, const QString& text, int width);

private:
    void hide();

    Clock& clock_;
    const Screens& screens_;
    std::function<std::optional<Point>()> pointer_;
    std::unique_ptr<OverlayWindow> panel_;
    QString text_;
    std::optional<TimerId> dismissal_;
};

} // namespace fw
