#pragma once
// Feedback next to the pointer while snapped windows are resized together or a special drop
// applies: outlines of the frames that will result, an accent bar over the shared edge, and a
// small frosted bubble with a symbol, a heading and a detail line. Rectangles and points are
// in global top-left device pixels.

#include "base/Geometry.h"
#include "overlay/OverlayWindow.h"
#include "platform/Screens.h"
#include "windows/ManagedWindow.h"

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QLabel;

namespace fw {

class GlassCard;
class OverlayLabel;
class OverlayWindow;

// The bubble: symbol on the left, heading above detail.
class ResizeHintView : public QWidget, public ShapedContent {
    Q_OBJECT
public:
    static constexpr double bubbleHeight = 46;

    ResizeHintView();

    // The bubble's rounded outline.
    std::optional<QPainterPath> shapeOutline() const override;

    // Sets the texts and the symbol (each only when it changed) and sizes the bubble:
    // min(widest text + 72, maxWidth) × 46.
    void update(const QString& heading, const QString& detail, const QString& symbolName, double maxWidth);
    using QWidget::update;
    QLabel* icon() const { return icon_; }
    OverlayLabel* heading() const { return heading_; }
    OverlayLabel* detail() const { return detail_; }
    QString symbolName() const { return symbolName_; }
    // How many times the symbol image was replaced.
    int symbolChanges() const { return symbolChanges_; }

private:
    GlassCard* glass_;
    QLabel* icon_;
    OverlayLabel* heading_;
    OverlayLabel* detail_;
    QString symbolName_;
    int symbolChanges_ = 0;
};

class ResizeFeedback {
public:
    struct HoverAnchor {
        Rect divider; // the bar
        Rect bounds;  // the visible frame that limits the bubble
        Point point;  // the last pointer position used to place the bubble
    };

    // `screens` gives the screen list for a bubble placed without a bar (the Qt screens when
    // empty); `windowNumber` resolves a window to the number panels are stacked against (its
    // client window id when empty).
    explicit ResizeFeedback(std::function<std::vector<ScreenInfo>()> screens = {},
                            std::function<std::optional<WindowId>(const ManagedWindow&)> windowNumber = {});
    ~ResizeFeedback();
    ResizeFeedback(const ResizeFeedback&) = delete;
    ResizeFeedback& operator=(const ResizeFeedback&) = delete;

    // Outlines (above everything, or directly below `below`), the accent bar when given, and
    // the bubble (beside the bar when there is one, else below and right of the pointer).
    void show(const std::vector<Rect>& outlines, const std::optional<Rect>& bar, const QString& heading,
              const QString& detail, const QString& symbolName, Point at, const ScreenInfo& on,
              const std::optional<ManagedWindow>& below);
    // Only the bubble, without a bar.
    void showHint(const QString& heading, const QString& detail, const QString& symbolName, Point at,
                  const ScreenInfo& on);
    // A bubble beside a bar follows the pointer while it stays within 12 points of the bar.
    void moveHint(Point to);
    void positionHint(Point near);
    void hide();

    const std::vector<std::unique_ptr<OverlayWindow>>& outlines() const { return outlines_; }
    OverlayWindow* bar() const { return bar_.get(); }
    OverlayWindow* hint() const { return hint_.get(); }
    ResizeHintView* hintView() const { return hintView_; }
    const std::optional<HoverAnchor>& hoverAnchor() const { return hoverAnchor_; }

    // Where the bubble of a size goes for a pointer, inside bounds (12 points from its edges).
    static Rect hintFrame(Point p, Size bubble, const Rect& bounds, const std::optional<Rect>& divider);

private:
    void prepareHint(const QString& heading, const QString& detail, const QString& symbolName, const ScreenInfo& on);
    std::vector<ScreenInfo> screenList() const;

    std::vector<std::unique_ptr<OverlayWindow>> outlines_;
    std::unique_ptr<OverlayWindow> bar_;
    std::unique_ptr<OverlayWindow> hint_;
    // Owned by `hint_` once that exists; until then by `ownedHintView_`.
    std::unique_ptr<ResizeHintView> ownedHintView_;
    ResizeHintView* hintView_;
    std::optional<HoverAnchor> hoverAnchor_;
    std::function<std::vector<ScreenInfo>()> screens_;
    std::function<std::optional<WindowId>(const ManagedWindow&)> windowNumber_;
};

// The Qt screens as the screen list (primary first), in global top-left device pixels.
std::vector<ScreenInfo> qtScreenList();

} // namespace fw
