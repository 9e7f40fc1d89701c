// The onboarding windows' shared base: fixed size fitted to the work area, frames from the bottom left,
// Return and Escape, and reporting every way the window goes away.
#include "onboarding/qt/OnboardingWindow.h"

#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"
#include "platform/qt/WindowFit.h"

#include <QAbstractButton>
#include <QKeyEvent>

namespace fw {

OnboardingWindow::OnboardingWindow(const QString& title, QSize contentSize, bool minimizable)
    : contentSize_(contentSize)
{
    Qt::WindowFlags flags = Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (minimizable)
        flags |= Qt::WindowMinimizeButtonHint;
    setWindowFlags(flags);
    setWindowTitle(title);
    setFixedSize(contentSize);
}

QRect OnboardingWindow::frameFromBottom(int x, int y, int width, int height) const
{
    return fw::frameFromBottom(contentSize_.height(), x, y, width, height);
}

QWidget* OnboardingWindow::content() { return WindowFit::content(this); }

void OnboardingWindow::present(Clock& clock)
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    if (!isVisible()) {
        WindowFit::fitToWorkArea(this, nullptr, shrinkable, footer);
        // The window itself holds the keys until the user tabs to a button: the toolkit would
        // give them to the first button, and Return would press that one, not returnButton.
        setFocus(Qt::ActiveWindowFocusReason);
    }
    show();
    bringToFront(this, clock);
}

QRect frameFromBottom(int viewHeight, int x, int y, int width, int height)
{
    return QRect(x, viewHeight - y - height, width, height);
}

void OnboardingWindow::keyPressEvent(QKeyEvent* event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && returnButton
        && returnButton->isVisible() && returnButton->isEnabled()) {
        returnButton->click();
        return;
    }
    if (plain && event->key() == Qt::Key_Escape) {
        if (onCancel)
            onCancel();
        else
            close();
        return;
    }
    QWidget::keyPressEvent(event);
}

void OnboardingWindow::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (onHidden) {
        auto fn = onHidden;
        fn();
    }
}

void addOnboardingSymbols()
{
    static const bool added = [] {
        Symbols::add(QStringLiteral("checklist"), {0xe6b1, 0, QStringLiteral("☑")});
        Symbols::add(QStringLiteral("cursorarrow"), {0xe569, 270, QStringLiteral("↖")});
        Symbols::add(QStringLiteral("globe"), {0xe894, 0, QStringLiteral("🌐")});
        Symbols::add(QStringLiteral("number"), {0xe9ef, 0, QStringLiteral("#")});
        Symbols::add(QStringLiteral("computermouse"), {0xe323, 0, QStringLiteral("🖱")});
        return true;
    }();
    (void)added;
}

} // namespace fw
