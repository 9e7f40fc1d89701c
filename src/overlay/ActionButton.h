#pragma once
// The rounded push button of the overlay: it runs a closure when clicked. With the focus (its
// ring shown) Return and keypad Enter click it, as Space does.

#include <QPushButton>
#include <functional>

namespace fw {

class ActionButton : public QPushButton {
    Q_OBJECT
public:
    // The caller sets the frame.
    ActionButton(const QString& title, std::function<void()> action, QWidget* parent = nullptr);

    // Run by performAction(); may be replaced or cleared at any time.
    std::function<void()> invoke;

    // Runs `invoke` when it is set; otherwise nothing. The closure may replace `invoke`.
    void performAction();

protected:
    void keyPressEvent(QKeyEvent* event) override;
};

} // namespace fw
