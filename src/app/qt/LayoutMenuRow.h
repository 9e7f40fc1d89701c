#pragma once
// A row of the "Choose a Layout" menu: the layout's diagram, its name, a detail line and a
// check mark for the layout active on the display; highlighted under the pointer or as the
// menu's active item, and not after the menu closes. A release
// of the button inside the row chooses it (presses and drags do nothing). Shown in a menu
// through a QWidgetAction. One plain widget that draws all of itself, its diagram made the
// first time it is drawn: a menu of many layouts costs little beyond the rows on screen.

#include "app/StatusMenuModel.h"

#include <QPixmap>
#include <QWidget>

#include <functional>

namespace fw {

class LayoutMenuRow : public QWidget {
    Q_OBJECT
public:
    static constexpr int rowWidth = 350;
    static constexpr int rowHeight = 66;

    explicit LayoutMenuRow(const LayoutRow& row, QWidget* parent = nullptr);

    // Run when the row is chosen while enabled.
    std::function<void()> invoke;

    const LayoutRow& row() const { return row_; }
    bool current() const { return row_.current; }
    // Shows or hides the check mark.
    void setCurrent(bool current);
    // Highlighted under the pointer and as the menu's active item; never while hidden.
    bool highlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    // The texts as drawn at the row's width (elided to fit), and whether the check mark shows.
    QString shownName() const;
    QString shownDetail() const;
    bool checkShown() const { return row_.current; }
    // Runs invoke when enabled.
    void choose();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int textWidth() const;

    LayoutRow row_;
    QPixmap diagram_;
    bool highlighted_ = false;
};

} // namespace fw
