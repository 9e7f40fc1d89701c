#pragma once
// The tour: five pages, each an illustration, a title, a paragraph and, on four of them, a
// button that tries the feature (onTry with the page index; the shell carries it out). Back
// and Next page through (Next reads "Done" on the last page and closes the window; Return
// presses it); a row of dots shows the page. Built once and kept; the shell opens it at page 0.
//
//   TourWindowController tour(clock);
//   tour.onTry = [&](int page) { ... };
//   tour.show(0);

#include "onboarding/TourPages.h"

#include <QObject>

#include <functional>
#include <memory>

class QPushButton;
class QWidget;

namespace fw {

class Clock;
class OnboardingWindow;
class OverlayLabel;
class TourArt;

class TourWindowController : public QObject {
    Q_OBJECT
public:
    explicit TourWindowController(Clock& clock);
    ~TourWindowController() override;

    std::function<void(int page)> onTry;

    // Makes the page current (the index clamped to the five pages); does not show the window.
    void show(int page);
    // Shows page `page`, puts the window on screen and brings it to the front.
    void open(int page = 0);
    int index() const { return index_; }
    QWidget* window() const;

    TourArt* art() const { return art_; }
    OverlayLabel* titleLabel() const { return title_; }
    OverlayLabel* bodyLabel() const { return body_; }
    OverlayLabel* dotsLabel() const { return dots_; }
    QPushButton* tryButton() const { return tryIt_; }
    QPushButton* backButton() const { return back_; }
    QPushButton* nextButton() const { return next_; }

private:
    // Sizes the buttons to their texts and lines them up from the right edge.
    void layOutButtons();

    Clock& clock_;
    int index_ = 0;
    std::unique_ptr<OnboardingWindow> window_;
    TourArt* art_ = nullptr;
    OverlayLabel* title_ = nullptr;
    OverlayLabel* body_ = nullptr;
    OverlayLabel* dots_ = nullptr;
    QPushButton* back_ = nullptr;
    QPushButton* next_ = nullptr;
    QPushButton* tryIt_ = nullptr;
};

} // namespace fw
