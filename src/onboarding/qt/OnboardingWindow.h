#pragma once
// What the onboarding windows share: a titled, fixed-size top-level window whose content
// frames are given from the bottom left (as x, y, width, height) and converted once, fitted to
// its screen's work area when shown (scrolling its content where the screen is smaller); Return
// presses the window's chosen button, Escape runs its cancel closure (or closes it), and every way the window
// goes away (close button, close(), hide()) is reported. Also the symbol names the
// onboarding pictures draw.

#include <QRect>
#include <QWidget>

#include <functional>

class QAbstractButton;

namespace fw {

class Clock;

class OnboardingWindow : public QWidget {
    Q_OBJECT
public:
    OnboardingWindow(const QString& title, QSize contentSize, bool minimizable = false);

    // A frame given from the bottom left of the content, in Qt's top-left coordinates.
    QRect frameFromBottom(int x, int y, int width, int height) const;

    // Shows the window (fitted to the work area of the screen under the pointer, centred there
    // the first time, restored when minimized) and brings it to the front.
    void present(Clock& clock);

    // Where the content's widgets live (the scrolled view's content once the window scrolls).
    QWidget* content();

    QAbstractButton* returnButton = nullptr;   // pressed by Return and Enter when visible and enabled
    QWidget* shrinkable = nullptr;             // gives up height first where the screen is short
    int footer = 0;                            // the bottom band kept in view when the content scrolls
    std::function<void()> onCancel;            // Escape; without it, Escape closes the window
    std::function<void()> onHidden;            // the window went away, whichever way

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QSize contentSize_;
};

// The same conversion for any view of the given height.
QRect frameFromBottom(int viewHeight, int x, int y, int width, int height);

// Adds the onboarding pictures' symbol names to the symbol table (once).
void addOnboardingSymbols();

} // namespace fw
