// Escape for the open popup of a window: a filter on the application that claims the key for the
// popup before the window's shortcuts are matched.
#include "overlay/PopupEscape.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPointer>
#include <QWidget>

namespace fw {

namespace {

class PopupEscapeFilter final : public QObject {
public:
    explicit PopupEscapeFilter(QWidget* window) : QObject(window), window_(window) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        // Qt asks whether the focus owner wants the key itself before it tries the shortcuts:
        // claimed here, the press goes on to the popup, which closes.
        if (event->type() != QEvent::ShortcutOverride || !window_ || !window_->isVisible())
            return QObject::eventFilter(watched, event);
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Escape || (key->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier
            || !openPopupOf(window_))
            return QObject::eventFilter(watched, event);
        event->accept();
        return true;
    }

private:
    QPointer<QWidget> window_;
};

} // namespace

QWidget* openPopupOf(const QWidget* window)
{
    QWidget* popup = QApplication::activePopupWidget();
    // A popup is a window of its own: its owner is found through its parents, across windows.
    for (const QWidget* w = popup; w; w = w->parentWidget()) {
        if (w == window)
            return popup;
    }
    return nullptr;
}

void keepEscapeForPopups(QWidget* window)
{
    if (window && qApp)
        qApp->installEventFilter(new PopupEscapeFilter(window));
}

} // namespace fw
