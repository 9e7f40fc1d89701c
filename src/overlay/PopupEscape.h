#pragma once
// Escape while a popup of a window is open (a menu, the list of a combo box) belongs to that
// popup alone: it closes the innermost popup and nothing else. Without this, Qt lets a
// window-wide Escape shortcut (a Cancel button's key, a QShortcut) fire on the same press once
// the list of a combo box has closed itself, cancelling the whole window.

class QWidget;

namespace fw {

// Keeps Escape for the window's own popups for as long as the window lives.
void keepEscapeForPopups(QWidget* window);

// The popup of the window's own that is open (the innermost), or null.
QWidget* openPopupOf(const QWidget* window);

} // namespace fw
