#pragma once
// The content of one of our fixed-size windows fitted to the room its screen leaves it: it keeps
// its designed size where it fits; else the one part that can shrink does (a list, a canvas;
// the parts below it move up), the empty margin along an edge is given up where that is all it
// lacks, and the rest shows in a scrolling view that ends on a whole line, with the window's
// footer band (its row of buttons) kept in view under it. Where the window stands is
// WindowFit's part.

#include <QPointer>
#include <QRect>
#include <QSize>

#include <map>

class QScrollArea;
class QWidget;

namespace fw {

class WindowContentFit {
public:
    // The window's size now is its designed size.
    explicit WindowContentFit(QWidget* window);

    // The height of the band at the bottom kept out of the scrolled view (at most half the
    // window); fixed once the window scrolls.
    void setFooter(int footer);
    // The part that shrinks before anything scrolls; the first one given stays.
    void setShrinkable(QWidget* shrinkable);
    // The window's size within `room`, its content shrunk and scrolled as needed.
    QSize fit(const QSize& room);
    // Lays the scrolled view and the footer band over the window at its size now.
    void placeParts();
    // The scrolled view's content once the window scrolls, else the window itself.
    QWidget* content() const;

private:
    void remember(QWidget* parent);
    int shrink(int by);
    void scroll(const QSize& content);
    QSize spareBands() const;
    int wholeLineFold(int fold) const;
    static int partsAbove(QWidget* inner, int fold, int least);

    QWidget* window_;
    QSize designed_;
    QPointer<QWidget> shrinkable_;
    std::map<QPointer<QWidget>, QRect> designedFrames_;
    QScrollArea* area_ = nullptr;
    QWidget* footerView_ = nullptr;
    int footer_ = 0;
};

} // namespace fw
