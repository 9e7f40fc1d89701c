#pragma once
// Transient notices: one text at a time, near the bottom of the display under the pointer,
// hidden after the given time. A newer notice replaces the one on screen at once, and the
// older notice's timer can never hide it. A notice keeps clear of our own open windows (Getting
// Started, the editor, …): it goes to the top of the display or beside them instead, and moves
// there when one of them opens, moves or grows under it later. Where no place is clear, a tip
// waits until one of them closes or is minimized; any other notice, the answer to what the user
// just did, shows at once where it covers least of them.

#include "base/Clock.h"
#include "base/Geometry.h"
#include "platform/Screens.h"

#include <QFontMetrics>
#include <QObject>
#include <QRect>
#include <QString>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

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
    // earlier notice. `waitsForRoom`: where no place is clear of our windows, the notice waits
    // (a tip) instead of showing where it covers least of them.
    void show(const QString& text, double seconds, bool waitsForRoom = false);

    // The notice on screen, if any.
    OverlayWindow* panel() const { return panel_.get(); }
    QString text() const { return text_; }

    // Where a notice goes on a display: 40 points above the bottom of the visible frame,
    // centred, min(visible width − 40, 540) wide and 86 high.
    static Rect noticeFrame(const Rect& visibleFrame);
    // Where the text goes in a notice `width` wide: its wrapped lines centred in the card, as
    // narrow as keeps their number (no last line of one word), 20 from the card's sides.
    static QRect textFrame(const QFontMetrics& metrics, const QString& text, int width);
    // The card's height for the text at `width`: 86, or more when its lines need more.
    static int cardHeight(const QFontMetrics& metrics, const QString& text, int width);
    // Where a notice goes clear of `avoid` (our windows' frames, in the space of the visible
    // frame): the usual frame when it is clear, else the top centre, else a narrower card beside
    // them where one at least minSideWidth wide fits; nothing when no place is clear.
    // `heightFor` gives the card's height at a width.
    static std::optional<Rect> clearFrame(const Rect& visibleFrame, const std::vector<Rect>& avoid,
                                          const std::function<double(double width)>& heightFor);
    // Of the top and the usual frame, the one that covers less of `avoid` (the top when equal).
    static Rect leastCovering(const Rect& visibleFrame, const std::vector<Rect>& avoid,
                              const std::function<double(double width)>& heightFor);
    static constexpr double minSideWidth = 220;

    // Whether a notice waits for one of our windows to go away.
    bool waiting() const { return bool(pending_); }

private:
    struct Pending {
        QString text;
        double seconds = 0;
        bool waitsForRoom = false;
    };

    void hide();
    // The notice's panel at `frame` (logical pixels), in place of the one shown.
    void place(const Rect& frame);
    // Moves the shown notice clear of our windows where one stands under it now.
    void moveClear();
    // Shows the pending notice again once a window of ours hides or is minimized.
    void watchWindows(bool watch);

    Clock& clock_;
    const Screens& screens_;
    std::function<std::optional<Point>()> pointer_;
    std::unique_ptr<OverlayWindow> panel_;
    QString text_;
    std::optional<TimerId> dismissal_;
    std::optional<Pending> pending_;
    Pending shown_;                 // the notice on screen, as it was asked for
    Rect visible_;                  // the visible frame of its display, in logical pixels
    std::unique_ptr<QObject> watcher_;
};

} // namespace fw
