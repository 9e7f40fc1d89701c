#pragma once
// One row of the window chooser: the application's icon, its name and the window's title.

#include "overlay/ActionButton.h"
#include "windows/ManagedWindow.h"

#include <QIcon>

namespace fw {

class WindowChoiceButton : public ActionButton {
    Q_OBJECT
public:
    // `icon` is the application's icon; a null icon draws the row without one.
    WindowChoiceButton(ManagedWindow window, std::function<void()> action, QIcon icon = {},
                       QWidget* parent = nullptr);

    const ManagedWindow& windowChoice() const { return windowChoice_; }
    const QIcon& appIcon() const { return icon_; }

    // Where the parts are drawn for a row of the given size, in the row's coordinates.
    static QRectF iconRect(QSizeF size);
    static QRectF nameRect(QSizeF size);
    static QRectF titleRect(QSizeF size);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    const ManagedWindow windowChoice_;
    QIcon icon_;
};

} // namespace fw
