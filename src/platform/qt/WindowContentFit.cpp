// Fits a fixed-size window's content to its room: shrinks the part that can, gives up empty
// margins, and scrolls the rest with the footer band kept in view and the fold on a whole line.
#include "platform/qt/WindowContentFit.h"

#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QWidget>

#include <algorithm>

namespace fw {

WindowContentFit::WindowContentFit(QWidget* window) : window_(window), designed_(window->size()) {}

void WindowContentFit::setFooter(int footer)
{
    if (!area_)
        footer_ = std::clamp(footer, 0, designed_.height() / 2);
}

void WindowContentFit::setShrinkable(QWidget* shrinkable)
{
    if (!shrinkable || shrinkable_)
        return;
    shrinkable_ = shrinkable;
    remember(shrinkable->parentWidget());
}

QWidget* WindowContentFit::content() const { return area_ ? area_->widget() : window_; }

// The designed frames of the shrinkable part's siblings, which move up as it shrinks.
void WindowContentFit::remember(QWidget* parent)
{
    if (!parent)
        return;
    for (QObject* o : parent->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow())
            designedFrames_[w] = w->geometry();
}

// Shrinks the shrinkable part by up to `by` (to no less than half its designed height) and
// moves what stands below it up; the height the content lost.
int WindowContentFit::shrink(int by)
{
    const auto it = shrinkable_ ? designedFrames_.find(shrinkable_.data()) : designedFrames_.end();
    if (it == designedFrames_.end())
        return 0;
    const QRect part = it->second;
    const int lost = std::clamp(by, 0, part.height() - std::max(part.height() / 2, shrinkable_->minimumHeight()));
    for (const auto& [w, designed] : designedFrames_) {
        if (!w)
            continue;
        if (w == shrinkable_)
            w->setGeometry(designed.adjusted(0, 0, 0, -lost));
        else if (designed.top() >= part.bottom())
            w->setGeometry(designed.translated(0, -lost));
    }
    return lost;
}

// Moves the window's widgets into the scrolled view, all but those of the footer band, which
// stay in a band of their own under it.
void WindowContentFit::scroll(const QSize& content)
{
    if (!area_) {
        QWidget* focus = window_->focusWidget();
        const auto part = [this](const char* name) {
            auto* w = new QWidget;
            w->setObjectName(QLatin1String(name));
            w->setBackgroundRole(window_->backgroundRole());
            w->setAutoFillBackground(window_->autoFillBackground());
            return w;
        };
        QWidget* inner = part("windowFitContent");
        if (footer_ > 0)
            footerView_ = part("windowFitFooter");
        const int footerTop = content.height() - footer_;
        const QList<QObject*> children = window_->children();
        for (QObject* o : children) {
            auto* w = qobject_cast<QWidget*>(o);
            if (!w || w->isWindow())
                continue;
            const bool shown = !w->isHidden();
            const QRect at = w->geometry();
            const bool below = footerView_ && at.top() >= footerTop;
            w->setParent(below ? footerView_ : inner);
            w->setGeometry(below ? at.translated(0, -footerTop) : at);
            w->setVisible(shown);
        }
        area_ = new QScrollArea(window_);
        area_->setObjectName(QStringLiteral("windowFitScroll"));
        area_->setFrameShape(QFrame::NoFrame);
        area_->setFocusPolicy(Qt::NoFocus);
        area_->viewport()->setAutoFillBackground(false);
        area_->setWidget(inner);
        area_->show();
        if (footerView_) {
            footerView_->setParent(window_);
            footerView_->show();
        }
        if (focus)
            focus->setFocus();
    }
    area_->widget()->setFixedSize(content.width(), content.height() - footer_);
    if (footerView_)
        footerView_->setFixedSize(content.width(), footer_);
}

void WindowContentFit::placeParts()
{
    if (!area_)
        return;
    const int below = footerView_ ? footer_ : 0;
    area_->setGeometry(0, 0, window_->width(), window_->height() - below);
    if (footerView_)
        footerView_->move(0, window_->height() - below);
}

// The empty bands along the unscrolled content's right and bottom edges, less a few pixels
// kept as a margin: an overflow no wider is given up from them rather than scrolled.
QSize WindowContentFit::spareBands() const
{
    constexpr int kept = 4;
    int right = 0, bottom = 0;
    for (QObject* o : window_->children())
        if (auto* w = qobject_cast<QWidget*>(o); w && !w->isWindow() && !w->isHidden()) {
            right = std::max(right, w->geometry().right() + 1);
            bottom = std::max(bottom, w->geometry().bottom() + 1);
        }
    return QSize(std::max(0, designed_.width() - right - kept), std::max(0, designed_.height() - bottom - kept));
}

// Where the scrolled view should end at most `fold` pixels down its content so that no
// line of text or button stands cut across the fold: the top of the first part the fold
// would cut (parts are the widgets with no widgets inside; one more than three lines of its
// font high is cut between its lines, as a paragraph), never less than half the fold.
int WindowContentFit::wholeLineFold(int fold) const
{
    QWidget* inner = area_->widget();
    const int least = fold / 2;
    int cut = fold;
    // A part moved up to may itself stand across the new fold: again until none does.
    for (int last = -1; cut != last;) {
        last = cut;
        cut = partsAbove(inner, last, least);
    }
    return cut;
}

// The top of the highest part cut by `fold`, not above `least`; `fold` when none is.
int WindowContentFit::partsAbove(QWidget* inner, int fold, int least)
{
    int cut = fold;
    for (QWidget* w : inner->findChildren<QWidget*>()) {
        if (!w->isVisibleTo(inner) || w->findChild<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
            continue;
        const QRect r(w->mapTo(inner, QPoint(0, 0)), w->size());
        if (r.top() >= fold || r.bottom() < fold)
            continue;
        const int line = w->fontMetrics().lineSpacing();
        int top = r.top();
        if (line > 0 && r.height() > 3 * line)
            top += (fold - top) / line * line;
        if (top >= least)
            cut = std::min(cut, top);
    }
    return cut;
}

QSize WindowContentFit::fit(const QSize& room)
{
    QSize content = designed_;
    if (content.height() > room.height())
        content.setHeight(content.height() - shrink(content.height() - room.height()));
    else
        shrink(0);
    if (!area_) {
        const QSize spare = spareBands();
        if (content.width() > room.width() && content.width() - room.width() <= spare.width())
            content.setWidth(room.width());
        if (content.height() > room.height() && content.height() - room.height() <= spare.height())
            content.setHeight(room.height());
    }
    if (content.width() <= room.width() && content.height() <= room.height() && !area_)
        return content;
    scroll(content);
    const int bar = std::max(window_->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, window_),
                             area_->verticalScrollBar()->sizeHint().width());
    bool down = content.height() > room.height();
    const bool across = content.width() + (down ? bar : 0) > room.width();
    down = down || content.height() + (across ? bar : 0) > room.height();
    area_->setVerticalScrollBarPolicy(down ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    area_->setHorizontalScrollBarPolicy(across ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    QSize wanted = QSize(content.width() + (down ? bar : 0), content.height() + (across ? bar : 0)).boundedTo(room);
    if (down) {
        const int fold = wanted.height() - footer_ - (across ? bar : 0);
        wanted.setHeight(wanted.height() - (fold - wholeLineFold(fold)));
    }
    return wanted.expandedTo(QSize(160, 120 + footer_));
}

} // namespace fw
