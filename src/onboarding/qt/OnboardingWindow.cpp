// The onboarding windows' shared base: fixed size, frames from the bottom left, Return and Escape, and
// reporting every way the window goes away.
#include "onboarding/qt/OnboardingWindow.h"

#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QMoveEvent>
#include <QScreen>

namespace fw {

OnboardingWindow::OnboardingWindow(const QString& title, QSize contentSize, bool minimizable)
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
    return fw::frameFromBottom(this->height(), x, y, width, height);
}

void OnboardingWindow::present(Clock& clock)
{
    if (!placed_ && screen()) {
        placed_ = true;
        move(screen()->availableGeometry().center() - rect().center());
        // The frame's size is known only once the window manager has framed the window.
        centreFrame_ = true;
    }
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    bringToFront(this, clock);
}

void OnboardingWindow::moveEvent(QMoveEvent* event)
{
    QWidget::moveEvent(event);
    const QRect frame = frameGeometry();
    if (!centreFrame_ || !isVisible() || !screen() || frame.size() == size())
        return;
    centreFrame_ = false;
    // Centred by its content, the window stood half a title bar low.
    const QPoint centred = screen()->availableGeometry().center() - QPoint(frame.width() / 2, frame.height() / 2);
    if (centred != frame.topLeft())
        move(centred);
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
        Symbols::add(QStringLiteral("command"), {0xe312, 0, QStringLiteral("⌨")});
        Symbols::add(QStringLiteral("number"), {0xe9ef, 0, QStringLiteral("#")});
        Symbols::add(QStringLiteral("computermouse"), {0xe323, 0, QStringLiteral("🖱")});
        return true;
    }();
    (void)added;
}

} // namespace fw
