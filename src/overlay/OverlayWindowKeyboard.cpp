// The keyboard side of the overlay's panels (OverlayWindow.h): taking the keyboard through the
// focus port and asking again once a late-mapped window is shown, holding it while open, taking
// it back when the pointer returns, and giving it back to the window that had it.
#include "overlay/OverlayWindow.h"

#include "platform/PanelFocus.h"

#include <QEnterEvent>
#include <QPointer>
#include <QWindow>
#include <functional>
#include <utility>

namespace fw {

namespace {

PanelFocus* gFocus = nullptr;

// Gives the keyboard back to the window that had it when a window of ours that took it
// itself is hidden (after the toolkit unmapped it: the keyboard is then nowhere).
class KeyboardReturn final : public QObject {
public:
    static constexpr const char* name = "keyboardReturn";

    KeyboardReturn(QWidget* window, std::uint64_t to) : QObject(window), to_(to)
    {
        setObjectName(QLatin1String(name));
        window->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Hide) {
            auto* window = static_cast<QWidget*>(parent());
            if (gFocus && window->internalWinId())
                gFocus->giveBack(window->internalWinId(), to_);
            deleteLater();
        }
        return false;
    }

private:
    std::uint64_t to_;
};

// A window manager that frames a new window may map it long after we asked (afterstep takes
// several hundred milliseconds): the keyboard is asked for again once the window is shown on
// screen, woken by its first exposure, rather than by blocking the event loop until then.
class KeyboardWhenShown final : public QObject {
public:
    static constexpr const char* name = "keyboardWhenShown";

    KeyboardWhenShown(QWidget* window, std::function<void()> retry) : QObject(window), retry_(std::move(retry))
    {
        setObjectName(QLatin1String(name));
        window->installEventFilter(this);
        if (QWindow* handle = window->windowHandle())
            handle->installEventFilter(this);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        auto* window = static_cast<QWidget*>(parent());
        if (watched == window && event->type() == QEvent::Hide) {
            deleteLater();
        } else if (watched == window->windowHandle() && event->type() == QEvent::Expose
                   && window->windowHandle()->isExposed()) {
            auto retry = std::move(retry_);
            deleteLater();
            if (retry)
                QMetaObject::invokeMethod(window, std::move(retry), Qt::QueuedConnection);
        }
        return false;
    }

private:
    std::function<void()> retry_;
};

// Asks for the keyboard once more when the window is first shown on screen.
void askAgainWhenShown(QWidget* window, std::function<void()> retry)
{
    if (window->findChild<QObject*>(QLatin1String(KeyboardWhenShown::name), Qt::FindDirectChildrenOnly))
        return;
    new KeyboardWhenShown(window, std::move(retry));
}

} // namespace

void OverlayWindow::setPanelFocus(PanelFocus* focus) { gFocus = focus; }

void OverlayWindow::takeKeyboard(QWidget* window)
{
    if (!gFocus || !window || !window->isWindow() || !window->isVisible())
        return;
    const std::uint64_t before = gFocus->keyboardWindow();
    const auto outcome = gFocus->takeKeyboard(window->winId());
    if (outcome == PanelFocus::Outcome::Missing && window->windowHandle() && !window->windowHandle()->isExposed()) {
        QPointer<QWidget> weak(window);
        askAgainWhenShown(window, [weak] {
            if (weak)
                takeKeyboard(weak);
        });
        return;
    }
    if (outcome != PanelFocus::Outcome::Taken)
        return;
    const std::uint64_t to = userWindow(before);
    if (to && to != std::uint64_t(window->winId())
        && !window->findChild<QObject*>(QLatin1String(KeyboardReturn::name), Qt::FindDirectChildrenOnly))
        new KeyboardReturn(window, to);
}

void OverlayWindow::enterEvent(QEnterEvent* event)
{
    QWidget::enterEvent(event);
    // An unmanaged panel that took the keyboard and lost it since (a click elsewhere ends its
    // hold) takes it again when the pointer comes onto it, as a window manager whose focus
    // follows the mouse would give it to a managed one, and holds it again.
    if (acceptsKeys_ && keyboardFrom_ && gFocus && isVisible() && windowFlags().testFlag(Qt::X11BypassWindowManagerHint)
        && gFocus->keyboardWindow() != std::uint64_t(winId())) {
        gFocus->takeKeyboard(winId());
        gFocus->holdKeyboard(winId());
    }
}

std::uint32_t OverlayWindow::userInputTime() { return gFocus ? gFocus->userInputTime() : 0; }

void OverlayWindow::noteUserInput(std::uint32_t time)
{
    if (gFocus)
        gFocus->noteUserInput(time);
}

std::uint64_t OverlayWindow::userWindow(std::uint64_t window)
{
    for (const OverlayWindow* p : allPanels())
        if (p->internalWinId() && std::uint64_t(p->internalWinId()) == window)
            return p->keyboardFrom_;
    return window;
}

void OverlayWindow::makeKeyAndOrderFront()
{
    const std::uint64_t before = acceptsKeys_ && gFocus ? gFocus->keyboardWindow() : 0;
    orderFrontRegardless();
    if (!acceptsKeys_)
        return;
    activateWindow();
    const auto outcome = gFocus ? gFocus->takeKeyboard(winId()) : PanelFocus::Outcome::Missing;
    // Held while open, whatever the focus model; a panel not shown yet is held once it is.
    if (gFocus)
        gFocus->holdKeyboard(winId());
    if (gFocus && outcome == PanelFocus::Outcome::Missing && windowHandle() && !windowHandle()->isExposed()) {
        QPointer<OverlayWindow> weak(this);
        askAgainWhenShown(this, [weak, before] {
            if (!weak || !weak->isVisible() || !gFocus)
                return;
            if (gFocus->takeKeyboard(weak->winId()) != PanelFocus::Outcome::Taken)
                return;
            if (const std::uint64_t from = weak->userWindow(before))
                weak->keyboardFrom_ = from;
        });
    }
    if (outcome == PanelFocus::Outcome::Taken) {
        // The window it goes back to; a panel made key again keeps the one it had (its own id
        // stands for it) unless the keyboard was on another window meanwhile.
        if (const std::uint64_t from = userWindow(before))
            keyboardFrom_ = from;
    }
}

void OverlayWindow::letGoOfKeyboard()
{
    if (gFocus && internalWinId())
        gFocus->letGo(internalWinId());
}

void OverlayWindow::giveKeyboardBack()
{
    const std::uint64_t from = std::exchange(keyboardFrom_, 0);
    if (from && gFocus && isVisible() && internalWinId())
        gFocus->giveBack(internalWinId(), from);
}

} // namespace fw
