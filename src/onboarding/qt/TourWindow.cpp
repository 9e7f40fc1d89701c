// The tour window: its pages with illustration, text and try button, Back and Next, and the page dots.
#include "onboarding/qt/TourWindow.h"

#include "onboarding/qt/OnboardingWindow.h"
#include "onboarding/qt/TourArt.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"

#include <QPointer>

#include <algorithm>

namespace fw {

TourWindowController::TourWindowController(Clock& clock)
    : clock_(clock), window_(std::make_unique<OnboardingWindow>(QStringLiteral("Framewell Tour"), QSize(680, 520)))
{
    OnboardingWindow* w = window_.get();
    auto* eyebrow = makeLabel(QStringLiteral("FRAMEWELL TOUR"), 11, QFont::Bold, StyleColor::secondaryLabel, w);
    eyebrow->setGeometry(w->frameFromBottom(32, 468, 300, 18));
    art_ = new TourArt(w);
    art_->setGeometry(w->frameFromBottom(32, 218, 616, 220));
    title_ = makeLabel({}, 22, QFont::Bold, StyleColor::label, w);
    title_->setGeometry(w->frameFromBottom(32, 172, 616, 30));
    body_ = makeLabel({}, 14, QFont::Normal, StyleColor::secondaryLabel, w);
    body_->setWordWrap(true);
    body_->setGeometry(w->frameFromBottom(32, 70, 616, 96));
    dots_ = makeLabel({}, 13, QFont::Normal, StyleColor::tertiaryLabel, w);
    dots_->setGeometry(w->frameFromBottom(32, 30, 140, 20));

    QPointer<TourWindowController> self(this);
    tryIt_ = new ActionButton({}, [self] {
        if (self && self->onTry)
            self->onTry(self->index_);
    }, w);
    back_ = new ActionButton(QStringLiteral("Back"), [self] {
        if (self)
            self->show(self->index_ - 1);
    }, w);
    next_ = new ActionButton(QStringLiteral("Next"), [self] {
        if (!self)
            return;
        if (self->index_ >= tourPageCount - 1)
            self->window_->close();
        else
            self->show(self->index_ + 1);
    }, w);
    w->returnButton = next_;
    // The page dots and buttons stay in view when the page scrolls.
    w->footer = 24 + 32 + 12;
    show(0);
}

TourWindowController::~TourWindowController() = default;

QWidget* TourWindowController::window() const { return window_.get(); }

void TourWindowController::show(int page)
{
    index_ = clampTourPage(page);
    const TourPage p = tourPages()[std::size_t(index_)];
    title_->setText(p.title);
    body_->setText(p.body);
    art_->setKind(p.art);
    tryIt_->setVisible(p.action.has_value());
    tryIt_->setText(p.action.value_or(QString()));
    back_->setEnabled(index_ >= 1);
    next_->setText(index_ == tourPageCount - 1 ? QStringLiteral("Done") : QStringLiteral("Next"));
    dots_->setText(tourDots(index_));
    dots_->setAccessibleName(tourDotsLabel(index_));
    layOutButtons();
}

void TourWindowController::layOutButtons()
{
    // From the right edge: Next, Back, then the try button centred where it fits; each as wide
    // as its text needs at its font, never narrower than designed.
    OnboardingWindow* w = window_.get();
    const auto place = [w](QPushButton* button, int right, int width) {
        const QSize need = button->sizeHint();
        const QRect designed = w->frameFromBottom(0, 24, width, 32);
        const int height = std::max(designed.height(), need.height());
        const int x = right - std::max(width, need.width());
        button->setGeometry(x, designed.top() - (height - designed.height()) / 2, right - x, height);
        return x;
    };
    const int backRight = place(next_, 648, 100) - 10;
    const int tryRight = place(back_, backRight, 90) - 18;
    const int tryWidth = std::max(180, tryIt_->sizeHint().width());
    place(tryIt_, std::min(tryRight, 340 + tryWidth / 2), 180);
}

void TourWindowController::open(int page)
{
    show(page);
    window_->present(clock_);
}

} // namespace fw
