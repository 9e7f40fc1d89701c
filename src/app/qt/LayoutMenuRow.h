#pragma once
// A row of the "Choose a Layout" menu: the layout's diagram, its name, a detail line and a
// check mark for the layout active on the display; highlighted under the pointer or as the
// menu's active item, and not after the menu closes. A release
// of the button inside the row chooses it (presses and drags do nothing). Shown in a menu
// through a QWidgetAction.

#include "app/StatusMenuModel.h"

#include <QPixmap>
#include <QWidget>

#include <functional>

class QLabel;

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
    QLabel* nameLabel() const { return name_; }
    QLabel* detailLabel() const { return detail_; }
    QLabel* checkmark() const { return check_; }
    // Runs invoke when enabled.
    void choose();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void layoutParts();
    void applyEnabledLook();

    LayoutRow row_;
    QPixmap diagram_;
    QLabel* name_ = nullptr;
    QLabel* detail_ = nullptr;
    QLabel* check_ = nullptr;
    bool highlighted_ = false;
};

} // namespace fw
