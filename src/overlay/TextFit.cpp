// Grows a window's buttons to their text at the font they have, keeping each one's anchor, and
// makes room between the buttons of a row and the labels beside them.
#include "overlay/TextFit.h"

#include <QAbstractButton>
#include <QLabel>
#include <QWidget>

#include <algorithm>
#include <vector>

namespace fw {

namespace {

enum class Anchor { left, centre, right };

Anchor anchorOf(const QRect& frame, int containerWidth)
{
    const int middle = containerWidth / 2;
    if (std::abs(frame.center().x() - middle) <= 12)
        return Anchor::centre;
    return frame.center().x() > middle ? Anchor::right : Anchor::left;
}

bool sameRow(const QRect& a, const QRect& b) { return a.top() < b.bottom() && b.top() < a.bottom(); }

// Grows one button to its text; its anchor stays.
void grow(QAbstractButton* button, Anchor anchor)
{
    const QSize need = button->sizeHint();
    QRect frame = button->geometry();
    if (need.height() > frame.height()) {
        const int centre = frame.center().y();
        frame.setHeight(need.height());
        frame.moveTop(centre - need.height() / 2);
    }
    if (need.width() > frame.width()) {
        const int extra = need.width() - frame.width();
        frame.setWidth(need.width());
        if (anchor == Anchor::right)
            frame.translate(-extra, 0);
        else if (anchor == Anchor::centre)
            frame.translate(-extra / 2, 0);
    }
    button->setGeometry(frame);
}

// Pushes overlapping buttons of one row apart (left-anchored ones rightward, right-anchored
// ones leftward); the width the row lacks where the two sides meet.
int spreadRow(std::vector<QAbstractButton*> row, int width)
{
    constexpr int gap = 8;
    std::sort(row.begin(), row.end(), [](auto* a, auto* b) { return a->x() < b->x(); });
    int lacking = 0;
    for (std::size_t i = 1; i < row.size(); ++i) {
        QAbstractButton* before = row[i - 1];
        QAbstractButton* after = row[i];
        const int overlap = before->geometry().right() + gap - after->x() + 1;
        if (overlap <= 0)
            continue;
        if (anchorOf(after->geometry(), width) != Anchor::right)
            after->move(after->x() + overlap, after->y());
        else if (anchorOf(before->geometry(), width) == Anchor::right)
            before->move(before->x() - overlap, before->y());
        else
            lacking = std::max(lacking, overlap);
    }
    // Past the right edge after pushing: lacking too.
    if (!row.empty())
        lacking = std::max(lacking, row.back()->geometry().right() + 1 - width);
    return lacking;
}

} // namespace

int fitButtonsToText(QWidget* container)
{
    const int width = container->width();
    std::vector<QAbstractButton*> buttons;
    for (auto* button : container->findChildren<QAbstractButton*>(Qt::FindDirectChildrenOnly)) {
        grow(button, anchorOf(button->geometry(), width));
        buttons.push_back(button);
    }
    int lacking = 0;
    std::vector<bool> done(buttons.size(), false);
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (done[i])
            continue;
        std::vector<QAbstractButton*> row;
        for (std::size_t j = i; j < buttons.size(); ++j) {
            if (!done[j] && sameRow(buttons[i]->geometry(), buttons[j]->geometry())) {
                row.push_back(buttons[j]);
                done[j] = true;
            }
        }
        lacking = std::max(lacking, spreadRow(std::move(row), width));
    }
    // A label that runs under a button to its right ends before it.
    for (auto* label : container->findChildren<QLabel*>(Qt::FindDirectChildrenOnly)) {
        QRect frame = label->geometry();
        for (QAbstractButton* button : buttons) {
            const QRect b = button->geometry();
            if (!button->isHidden() && sameRow(frame, b) && frame.left() < b.left() && frame.right() >= b.left())
                frame.setRight(b.left() - 6);
        }
        label->setGeometry(frame);
    }
    return lacking;
}

void growToText(QAbstractButton* button)
{
    const int width = button->parentWidget() ? button->parentWidget()->width() : button->width();
    grow(button, anchorOf(button->geometry(), width));
}

void widenKeepingRightHalf(QWidget* container, int extra)
{
    if (extra <= 0)
        return;
    const int middle = container->width() / 2;
    container->setFixedWidth(container->width() + extra);
    for (auto* child : container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child->geometry().center().x() > middle)
            child->move(child->x() + extra, child->y());
    }
}

} // namespace fw
