// The overlay's rounded push button, running its closure when clicked.
#include "overlay/ActionButton.h"

#include <QKeyEvent>

namespace fw {

ActionButton::ActionButton(const QString& title, std::function<void()> action, QWidget* parent)
    : QPushButton(title, parent)
{
    setAutoDefault(false);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, this, &ActionButton::performAction);
    invoke = std::move(action);
}

void ActionButton::keyPressEvent(QKeyEvent* event)
{
    const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier && !event->isAutoRepeat()) {
        click();
        return;
    }
    QPushButton::keyPressEvent(event);
}

void ActionButton::performAction()
{
    if (!invoke)
        return;
    // A copy keeps the closure alive while it runs, even if it replaces `invoke`.
    auto fn = invoke;
    fn();
}

} // namespace fw
