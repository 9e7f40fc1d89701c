#pragma once
// The desktop picture at the top of the welcome window: three stylised windows, each under its
// title bar, on a tinted card and a pill reading "YOUR SPACE, YOUR WAY". Laid out for 640 × 196; only the card
// follows the size. The middle window's symbol is left out when the window puts its video
// button there.

#include <QWidget>

namespace fw {

class DesktopIllustration : public QWidget {
    Q_OBJECT
public:
    explicit DesktopIllustration(QWidget* parent = nullptr);

    bool middleSymbol() const { return middleSymbol_; }
    void setMiddleSymbol(bool on);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    bool middleSymbol_ = true;
};

} // namespace fw
