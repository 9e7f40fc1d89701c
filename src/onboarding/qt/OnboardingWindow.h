#pragma once
// What the onboarding windows share: a titled, fixed-size top-level window whose content
// frames are given from the bottom left (as x, y, width, height) and converted once; Return
// presses the window's chosen button, Escape runs its cancel closure, and every way the window
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

    // Shows the window (centred on its screen the first time, restored when minimized) and
    // brings it to the front.
    void present(Clock& clock);

    QAbstractButton* returnButton = nullptr;   // pressed by Return and Enter when visible and enabled
    std::function<void()> onCancel;            // Escape
    std::function<void()> onHidden;            // the window went away, whichever way

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    bool placed_ = false;
    // Centred before the window manager framed it: the frame is centred once its size is known.
    bool centreFrame_ = false;
};

// The same conversion for any view of the given height.
QRect frameFromBottom(int viewHeight, int x, int y, int width, int height);

// Adds the onboarding pictures' symbol names to the symbol table (once).
void addOnboardingSymbols();

} // namespace fw
