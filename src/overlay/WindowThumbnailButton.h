#pragma once
// A window choice drawn as a tile: the window's thumbnail (or its application's icon), the
// application's name and the window's title. Used by region assist and the stack switcher,
// which may also mark the current window, show a shortcut number, listen to hover and place
// an accessory button that shows only while the pointer is inside.

#include "overlay/ActionButton.h"
#include "windows/ManagedWindow.h"

#include <QIcon>
#include <QImage>
#include <QPointer>
#include <functional>
#include <optional>

namespace fw {

class WindowThumbnailButton : public ActionButton {
    Q_OBJECT
public:
    // The icon of a window's application; installed once by the application. Without it (or
    // when it answers nothing) tiles have no icon.
    static std::function<std::optional<QIcon>(WindowId)>& appIconLookup();

    WindowThumbnailButton(ManagedWindow choice, std::optional<QImage> thumbnail, std::function<void()> action,
                          QWidget* parent = nullptr);

    const ManagedWindow& choice() const { return choice_; }
    const std::optional<QIcon>& appIcon() const { return appIcon_; }

    // Setting these does not redraw by itself; the owner calls update().
    std::optional<QImage> thumbnail;
    bool isCurrentChoice = false;
    std::optional<int> shortcutNumber;

    bool hovered() const { return hovered_; }
    std::function<void(bool)> onHover;
    // Shown only while the pointer is inside; the owner creates and places it.
    QPointer<QWidget> accessory;

    // Drawing geometry for a tile of the given size, in top-left tile coordinates.
    struct TileLayout {
        bool compact = false;        // h ≤ 110: 47-pixel footer, one-line title
        bool showsPicture = false;   // h > 80
        QRectF pictureArea;
        QRectF smallIcon;
        QRectF name;
        QRectF title;
        QRectF badge;                // shortcut number badge
        QRectF currentMark;
    };
    static TileLayout tileLayout(QSizeF size);
    // Where a picture of the given size is drawn in the area: scaled (up or down) to fit,
    // centred. Empty for an image without area.
    static QRectF pictureRect(const QRectF& area, QSizeF image);
    // The thumbnail when it has an area, else nothing.
    std::optional<QImage> usableThumbnail() const;

    // Draws the hover state; the pointer's entering and leaving set it.
    void setHovered(bool hovered);

protected:
    void paintEvent(QPaintEvent*) override;
    void enterEvent(QEnterEvent*) override;
    void leaveEvent(QEvent*) override;

private:
    void paintAppIcon(QPainter& p, const QRectF& square) const;

    const ManagedWindow choice_;
    std::optional<QIcon> appIcon_;
    bool hovered_ = false;
};

} // namespace fw
