#pragma once
// The What's New window: a heading, the notes of the chosen releases (newest first) in a
// scrolling, selectable text, "Take the Tour" (closes the window, then calls onTour) and
// "Done" (Return). Built by the shell after an update; not shown until it shows it.
//
//   auto whatsNew = std::make_unique<WhatsNewWindowController>(rows, clock);
//   whatsNew->onTour = [&] { showTour(); };
//   whatsNew->show();

#include "onboarding/WhatsNew.h"

#include <QObject>

#include <functional>
#include <memory>

class QPushButton;
class QTextBrowser;
class QTextDocument;

namespace fw {

class Clock;
class OnboardingWindow;
class OverlayLabel;

class WhatsNewWindowController : public QObject {
    Q_OBJECT
public:
    WhatsNewWindowController(const std::vector<WhatsNew::Entry>& entries, Clock& clock);
    ~WhatsNewWindowController() override;

    std::function<void()> onTour;

    // Shows the window and brings it to the front.
    void show();
    QWidget* window() const;

    OverlayLabel* heading() const { return heading_; }
    QTextBrowser* notes() const { return notes_; }
    QPushButton* tourButton() const { return tour_; }
    QPushButton* doneButton() const { return done_; }

    // The notes as formatted text: headings in 13-pt semibold secondary colour, bullets in
    // 13-pt regular with a hanging indent of 16 and 6 points between paragraphs.
    static void fillNotes(QTextDocument& document, const std::vector<WhatsNew::Entry>& entries, const QPalette& palette);

private:
    Clock& clock_;
    std::unique_ptr<OnboardingWindow> window_;
    OverlayLabel* heading_ = nullptr;
    QTextBrowser* notes_ = nullptr;
    QPushButton* tour_ = nullptr;
    QPushButton* done_ = nullptr;
};

} // namespace fw
