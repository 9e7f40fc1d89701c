// The tour's stack page followed to the letter on a real server (Xvfb, the test window
// manager), with the program started as a user starts it: two xterms stacked in the left half.
// Resting the pointer where the page says (the middle of the front window's title-bar buttons,
// at whichever end the window manager draws them) opens the full switcher. Then, as a user
// does: Getting Started, Take the Tour, Next; a click on the front xterm, a click on the tour to
// bring it back, and its "Open This Window’s Stack" opens the switcher of that xterm's stack,
// though the click on the button leaves the tour with the focus.
#include "onboarding/TourPages.h"
#include "platform/x11/X11WindowSystem.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"
#include "x11/ScreenPhotos.h"
#include "x11/XtermRigs.h"

#include <QElapsedTimer>

#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace test;

void clickAt(XSession& session, Point p)
{
    session.warpPointer(int(p.x) - 1, int(p.y));
    session.moveRelative(1, 0);
    session.pressButton(1);
    session.releaseButton(1);
}

// The content of our window with this title once it holds the keyboard and has stood still
// for 300 ms (a window of ours is fitted to its place after it maps); nothing when it did not
// within 10 s.
std::optional<Rect> settledWindow(XSession& session, const QString& title)
{
    std::optional<Rect> at;
    QElapsedTimer still;
    const bool settled = session.waitFor([&] {
        for (xcb_window_t w : programWindows(session)) {
            if (session.windowTitle(w) != title || !session.hasKeyboard(w))
                continue;
            const auto now = contentRect(session, w);
            if (now != at || !still.isValid()) {
                at = now;
                still.start();
            }
            return at && still.elapsed() >= 300;
        }
        at.reset();
        return false;
    }, 10000);
    return settled ? at : std::nullopt;
}

// Snap assist's panel over the right half of the display.
bool assistShown(XSession& session)
{
    for (xcb_window_t w : programWindows(session)) {
        const auto content = contentRect(session, w);
        if (content && content->minX() > 900 && content->width() > 500)
            return true;
    }
    return false;
}

bool focusIsOurs(XSession& session) { return wmClass(session, session.inputFocus()).contains("framewell"); }

// For failure messages: who holds the keyboard, and our windows shown (title, where, which holds it).
std::string keyboardAndWindows(XSession& session)
{
    const xcb_window_t focus = session.inputFocus();
    std::string out = "input focus " + std::to_string(focus) + " (" + session.windowTitle(focus).toStdString()
        + "), active " + std::to_string(session.activeWindow()) + "; ours shown:";
    for (xcb_window_t w : programWindows(session)) {
        out += " [" + std::to_string(w) + " \"" + session.windowTitle(w).toStdString() + "\" "
            + toString(contentRect(session, w).value_or(Rect())).toStdString()
            + (session.hasKeyboard(w) ? " keyboard" : "") + "]";
    }
    return out;
}

TEST(TourX11, TheStackPageIsTrueWhereItSaysToRestAndItsButtonOpensTheStackOfTheWindowWorkedIn)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(startTrayHost(session)) << "trayer did not start: " << session.error();
    auto back = session.startXterm(u"tour back"_qs, {u"-geometry"_qs, u"80x20+1100+100"_qs});
    auto front = session.startXterm(u"tour front"_qs, {u"-geometry"_qs, u"80x20+1100+600"_qs});
    ASSERT_TRUE(back.window && front.window) << session.error();
    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << "\n" << programLog(session).toStdString();

    // Both xterms placed by the place key in the left half, the back one first: a stack, its
    // badge shown.
    X11WindowSystem ws(session.display());
    std::optional<Rect> placed;
    for (const auto* term : {&back, &front}) {
        // A click gives it the focus, as a user gives it (xfwm4 may refuse a pager's activation
        // right after a click elsewhere).
        const auto at = ws.frame(term->window);
        ASSERT_TRUE(at);
        clickAt(session, {at->midX(), at->midY()});
        ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term->window; }));
        session.warpPointer(1850, 1000);
        chord(session, {ControlL, AltL, LetterP});
        ASSERT_TRUE(session.waitFor([&] { return focusIsOurs(session); })) << "the picker did not take the keyboard";
        chord(session, {Return});
        ASSERT_TRUE(session.waitFor([&] {
            placed = ws.frame(term->window);
            return placed && placed->minX() < 20 && placed->width() < 1000;
        }, 10000)) << toString(placed.value_or(Rect())).toStdString() << "\n" << programLog(session).toStdString();
        // Snap assist offers the front xterm for the right half; a click in the placed xterm
        // ends it. Placed over the back one, the front xterm makes a stack.
        if (term == &front)
            break;
        ASSERT_TRUE(session.waitFor([&] { return assistShown(session); }, 5000)) << programPanels(session);
        clickAt(session, {placed->midX(), placed->midY()});
        ASSERT_TRUE(session.waitFor([&] { return !assistShown(session) && session.activeWindow() == term->window; }))
            << programPanels(session);
    }
    ASSERT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell stack badge"_qs); }, 10000))
        << "no stack; panels: " << programPanels(session) << "\n" << programLog(session).toStdString();

    // Page 2 sends the user to the middle of the front window's title-bar buttons, wherever the
    // window manager draws them; resting there opens the switcher.
    const TourPage page = tourPages()[1];
    ASSERT_TRUE(page.body.contains(u"Rest the pointer on the middle of the front window’s title-bar buttons"_qs))
        << page.body.toStdString();
    const auto frame = session.wmFrame(front.window);
    const auto extents = session.frameExtents(front.window);
    ASSERT_TRUE(frame && extents);
    if (session.titleBars() && extents->top > 4) {
        const TitleBarButtons drawn = defaultButtons(session.windowManager());
        const double bar = extents->top, end = (drawn.buttonsLeft ? drawn.left : drawn.right) * bar;
        const double middle = drawn.buttonsLeft ? frame->minX() + end / 2 : frame->maxX() - end / 2;
        session.warpPointer(int(middle) - 1, int(frame->minY() + bar / 2));
        session.moveRelative(1, 0);
        EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Window Stack"_qs); }, 8000))
            << "resting on the middle of the buttons opened nothing; panels: " << programPanels(session) << "\n"
            << programLog(session).toStdString();
        session.warpPointer(1850, 1000);
        session.moveRelative(1, 0);
        ASSERT_TRUE(session.waitFor([&] { return !programWindowShown(session, u"Window Stack"_qs); }, 8000))
            << "the switcher stayed after the pointer left";
    }

    // Getting Started (a second start opens it), Return takes the tour, Next turns to page 2.
    const pid_t second = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(second);
    EXPECT_EQ(session.waitForExit(second, 10000), std::optional<int>(0));
    ASSERT_TRUE(settledWindow(session, u"Framewell"_qs))
        << "no Getting Started with the keyboard\n" << programLog(session).toStdString();
    chord(session, {Return});
    std::optional<Rect> tour = settledWindow(session, u"Framewell Tour"_qs);
    ASSERT_TRUE(tour) << "no tour with the keyboard; panels: " << programPanels(session);
    // The buttons' row: its middle 40 pixels above the bottom; Next ends 32 from the right edge
    // and the try button is centred on the window.
    // The page turns (its picture is another) before the next click.
    const Rect art(tour->minX() + 32, tour->minY() + 82, 616, 220);
    const QImage pageOne = rootArea(session, art);
    clickAt(session, {tour->minX() + 620, tour->maxY() - 40});
    ASSERT_TRUE(session.waitFor([&] { return changed(rootArea(session, art), pageOne) > 0.05; }))
        << "Next did not turn the page";

    // A click on the front xterm, then on the tour to bring it back, then the try button.
    clickAt(session, {placed->minX() + placed->width() / 2, placed->minY() + placed->height() / 2});
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == front.window; }))
        << "panels: " << programPanels(session);
    clickAt(session, {tour->maxX() - 20, tour->minY() + 20});
    tour = settledWindow(session, u"Framewell Tour"_qs);
    ASSERT_TRUE(tour) << "the tour did not take the keyboard back";
    clickAt(session, {tour->minX() + 340, tour->maxY() - 40});
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Window Stack"_qs); }, 8000))
        << "the try button opened no switcher; " << keyboardAndWindows(session) << "\n"
        << programLog(session).toStdString();
    EXPECT_FALSE(programLog(session).contains(u"Focus a window in the stack first"_qs));
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

} // namespace
} // namespace fw
