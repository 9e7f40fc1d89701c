#pragma once
// Qt's own (non-native) file dialog, with room for what the layout panels add to it: a message
// line above the file view and an accessory row below it. Frames that are given from the
// bottom-left of a view are turned into Qt's top-left ones here, once.

#include <QFileDialog>
#include <QRect>
#include <QString>

namespace fw {

// A frame (x, y, width, height) measured from the bottom-left of a view of the given height,
// in Qt's top-left coordinates: y becomes height − y − h.
inline QRect fromBottomLeft(int x, int y, int width, int height, int viewHeight)
{
    return QRect(x, viewHeight - y - height, width, height);
}

// A non-native dialog in the home folder with the title, the message shown above everything else and, when
// given, the accessory (reparented) below the dialog's own controls. Returns at once; the
// caller sets modes and filters and shows it.
QFileDialog* makeFileDialog(QWidget* parent, const QString& title, const QString& message, QWidget* accessory = nullptr);

// Keeps the dialog's buttons plain text whenever it shows: the style may give standard buttons
// (Cancel, Open) stock icons beside buttons that have none, two styles in one row.
void keepButtonsPlain(QWidget* dialog);

// The message label a dialog made above shows; null for any other dialog.
QString fileDialogMessage(const QFileDialog* dialog);

} // namespace fw
