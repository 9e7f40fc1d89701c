// The tour window: its pages with illustration, text and try button, Back and Next, and the page dots.
#include "onboarding/qt/TourWindow.h"

#include "onboarding/qt/OnboardingWindow.h"
#include "onboarding/qt/TourArt.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"

#include <QPointer>

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
    tryIt_->setGeometry(w->frameFromBottom(250, 24, 180, 32));
    back_ = new ActionButton(QStringLiteral("Back"), [self] {
        if (self)
            self->show(self->index_ - 1);
    }, w);
    back_->setGeometry(w->frameFromBottom(448, 24, 90, 32));
    next_ = new ActionButton(QStringLiteral("Next"), [self] {
        if (!self)
            return;
        if (self->index_ >= tourPageCount - 1)
            self->window_->close();
        else
            self->show(self->index_ + 1);
    }, w);
    next_->setGeometry(w->frameFromBottom(548, 24, 100, 32));
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
    const TourPage& p = tourPages()[std::size_t(index_)];
    title_->setText(p.title);
    body_->setText(p.body);
    art_->setKind(p.art);
    tryIt_->setVisible(p.action.has_value());
    tryIt_->setText(p.action.value_or(QString()));
    back_->setEnabled(index_ >= 1);
    next_->setText(index_ == tourPageCount - 1 ? QStringLiteral("Done") : QStringLiteral("Next"));
    dots_->setText(tourDots(index_));
    dots_->setAccessibleName(tourDotsLabel(index_));
}

void TourWindowController::open(int page)
{
    show(page);
    window_->present(clock_);
}

} // namespace fw
