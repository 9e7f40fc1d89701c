#pragma once
// The card over an empty region after a snap: "Choose a window here", every candidate window
// as a thumbnail tile, a button that leaves the region empty and "Done". Clicks go back
// through closures; thumbnails that arrive later are set on the tiles in `choices`. All
// subviews are built once, at construction.

#include "overlay/OverlayWindow.h"
#include "overlay/WindowThumbnailButton.h"

#include <QImage>
#include <QWidget>
#include <functional>
#include <unordered_map>
#include <vector>

class QAbstractButton;
class QScrollArea;
class QScrollBar;

namespace fw {

class OverlayLabel;

class RegionAssistView : public QWidget, public ShapedContent {
    Q_OBJECT
public:
    using Thumbnails = std::unordered_map<ManagedWindow, QImage>;

    RegionAssistView(const std::vector<ManagedWindow>& choices, const Thumbnails& thumbnails,
                     std::function<void(const ManagedWindow&)> onChoose, std::function<void()> onSkip,
                     std::function<void()> onDone, const QRect& frame, QWidget* parent = nullptr);

    // The card's rounded outline.
    std::optional<QPainterPath> shapeOutline() const override;

    // The tile of each candidate window.
    const std::unordered_map<ManagedWindow, WindowThumbnailButton*>& choices() const { return choices_; }
    // Every tile in grid order, then the leave-empty button.
    const std::vector<QAbstractButton*>& controls() const { return controls_; }
    // The top-left tile; nullptr without choices.
    QAbstractButton* firstChoice() const { return firstChoice_; }

    OverlayLabel* heading() const { return heading_; }
    QScrollArea* scrollView() const { return scroll_; }
    QWidget* documentView() const { return document_; }
    ActionButton* skipButton() const { return skip_; }
    ActionButton* doneButton() const { return done_; }

    // The grid a set of choices takes in a scroll view of this content size.
    struct Grid {
        int columns = 1;
        int rows = 0;
        double gridWidth = 1;    // cw
        double tileWidth = 0;
        double tileHeight = 0;
        double gridHeight = 0;
    };
    static Grid grid(std::size_t count, double contentWidth, double scrollHeight);

protected:
    void paintEvent(QPaintEvent*) override;
    void resizeEvent(QResizeEvent*) override;

private:
    // The construction's steps: the scroll view at its place in the card, the candidates'
    // tiles in a grid on the document it scrolls, the scroller that floats over them.
    void buildScrollView(const QRect& geometry);
    void buildTiles(const std::vector<ManagedWindow>& choices, const Thumbnails& thumbnails,
                    const std::function<void(const ManagedWindow&)>& onChoose);
    void buildOverlayBar();
    void syncScrollBar();

    std::unordered_map<ManagedWindow, WindowThumbnailButton*> choices_;
    std::vector<QAbstractButton*> controls_;
    QAbstractButton* firstChoice_ = nullptr;
    OverlayLabel* heading_ = nullptr;
    QScrollArea* scroll_ = nullptr;
    QScrollBar* overlayBar_ = nullptr;
    QWidget* document_ = nullptr;
    ActionButton* skip_ = nullptr;
    ActionButton* done_ = nullptr;
};

} // namespace fw
