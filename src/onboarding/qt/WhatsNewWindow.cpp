// The What's New window: heading, scrolling notes, "Take the Tour" and "Done".
#include "onboarding/qt/WhatsNewWindow.h"

#include "onboarding/qt/OnboardingWindow.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"
#include "overlay/TextFit.h"

#include <QPointer>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>

namespace fw {

WhatsNewWindowController::WhatsNewWindowController(const std::vector<WhatsNew::Entry>& entries, Clock& clock)
    : clock_(clock), window_(std::make_unique<OnboardingWindow>(QStringLiteral("What’s New in Framewell"), QSize(560, 460)))
{
    OnboardingWindow* w = window_.get();
    heading_ = makeLabel(QStringLiteral("What’s new in Framewell"), 24, QFont::Bold, StyleColor::label, w);
    heading_->setGeometry(w->frameFromBottom(32, 384, 496, 32));

    notes_ = new QTextBrowser(w);
    notes_->setGeometry(w->frameFromBottom(32, 72, 496, 298));
    notes_->setFrameShape(QFrame::NoFrame);
    notes_->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    notes_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    notes_->setLineWrapMode(QTextEdit::WidgetWidth);
    // Selectable with the mouse; no caret, and Return stays with the window's Done.
    notes_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    notes_->setFocusPolicy(Qt::NoFocus);
    notes_->setOpenLinks(false);
    notes_->viewport()->setAutoFillBackground(false);
    notes_->setStyleSheet(QStringLiteral("QTextBrowser { background: transparent; }"));
    notes_->document()->setDocumentMargin(0);
    fillNotes(*notes_->document(), entries, w->palette());
    w->shrinkable = notes_;

    // Both buttons act only while the controller lives.
    QPointer<WhatsNewWindowController> self(this);
    tour_ = new ActionButton(QStringLiteral("Take the Tour"), [self] {
        if (!self)
            return;
        self->window_->close();
        if (self && self->onTour)
            self->onTour();
    }, w);
    tour_->setGeometry(w->frameFromBottom(32, 24, 140, 32));
    done_ = new ActionButton(QStringLiteral("Done"), [self] {
        if (self)
            self->window_->close();
    }, w);
    done_->setGeometry(w->frameFromBottom(428, 24, 100, 32));
    // A large system font widens them from the edge each stands by.
    growToText(tour_);
    growToText(done_);
    w->returnButton = done_;
}

WhatsNewWindowController::~WhatsNewWindowController() = default;

QWidget* WhatsNewWindowController::window() const { return window_.get(); }

void WhatsNewWindowController::show()
{
    // The newest note first: filling left the caret, and the view, at the oldest.
    notes_->moveCursor(QTextCursor::Start);
    notes_->verticalScrollBar()->setValue(0);
    window_->present(clock_);
}

void WhatsNewWindowController::fillNotes(QTextDocument& document, const std::vector<WhatsNew::Entry>& entries,
                                         const QPalette& palette)
{
    document.clear();
    QTextCursor cursor(&document);
    QTextCharFormat heading;
    heading.setFont(systemFont(13, QFont::DemiBold));
    heading.setForeground(styleColor(StyleColor::secondaryLabel, palette));
    QTextCharFormat note;
    note.setFont(systemFont(13));
    note.setForeground(styleColor(StyleColor::label, palette));
    QTextBlockFormat plain;
    QTextBlockFormat bullet;
    bullet.setLeftMargin(16);
    bullet.setTextIndent(-16);
    bullet.setBottomMargin(6);
    bullet.setTabPositions({QTextOption::Tab(16, QTextOption::LeftTab)});

    bool first = true;
    for (const WhatsNew::Line& line : WhatsNew::notesLines(entries)) {
        if (!first)
            cursor.insertBlock();
        first = false;
        switch (line.kind) {
        case WhatsNew::Line::Kind::blank:
            cursor.setBlockFormat(plain);
            break;
        case WhatsNew::Line::Kind::heading:
            cursor.setBlockFormat(plain);
            cursor.insertText(line.text, heading);
            break;
        case WhatsNew::Line::Kind::bullet:
            cursor.setBlockFormat(bullet);
            cursor.insertText(QStringLiteral("•\t") + line.text, note);
            break;
        }
    }
}

} // namespace fw
