// The overlay's rounded push button, running its closure when clicked.
#include "overlay/ActionButton.h"

namespace fw {

ActionButton::ActionButton(const QString& title, std::function<void()> action, QWidget* parent)
    : QPushButton(title, parent)
{
    setAutoDefault(false);
    setFocusPolicy(Qt::TabFocus);
    connect(this, &QPushButton::clicked, this, &ActionButton::performAction);
    invoke = std::move(action);
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
