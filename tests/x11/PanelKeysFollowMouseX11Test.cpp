// The keyboard of an open panel under a window manager whose focus follows the pointer (evilwm
// always; openbox, pekwm and fluxbox set so; the others as they come, clicking to focus): with
// the pointer resting on an xterm running `cat`, whose focus the manager moves there, Escape
// closes the picker and Return in the picker places the window that had the keyboard. Nothing
// typed meanwhile reaches the xterms: each writes only what is typed into it afterwards. The
// stack switcher opened with the pointer resting there keeps its keys too: "2" chooses a card
// and closes it, and never reaches the xterm. A click on another xterm closes the picker and
// the keys go where the click put them. Return in snap assist takes its ringed card; the middle
// button bound to the switcher opens it over a stack and pastes everywhere else. Under every
// manager, GNOME's included, a title-bar drag right after Escape closed the picker or snap assist
// moves the window at the first try.
#include "platform/x11/X11WindowSystem.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>

#include <QJsonObject>

#include <initializer_list>
#include <optional>
#include <string>

namespace fw {
namespace {

using namespace test;

constexpr xcb_keysym_t LetterO = 0x6f, LetterK = 0x6b, LetterS = 0x73, Digit2 = 0x32;

// An xterm whose `cat` writes every key typed into it to a file of the session at once (its
// terminal raw, nothing echoed), once its shell has made the file: on busy cores that can come
// seconds after the window.
struct Typist {
    XSession::Client term;
    QString file;
};

Typist startTypist(XSession& s, const QString& title, const QString& geometry)
{
    const QString file = s.directory() + u"/"_qs + title + u".txt"_qs;
    const auto term = s.startXterm(title, {u"-geometry"_qs, geometry, u"-e"_qs, u"sh"_qs, u"-c"_qs,
                                           u"stty raw -echo; exec cat > '"_qs + file + u"'"_qs});
    if (term.window)
        s.waitFor([&] { return QFile::exists(file); }, 10000);
    return {term, file};
}

QByteArray written(const Typist& t)
{
    QFile f(t.file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("(no file)");
}

// The focus a window gets, read on a connection of the test's own (the session's waits drop
// the events they read).
class FocusWatch {
public:
    FocusWatch(XSession& s, xcb_window_t window) : c_(xcb_connect(s.display().constData(), nullptr)), window_(window)
    {
        const std::uint32_t mask = XCB_EVENT_MASK_FOCUS_CHANGE;
        xcb_change_window_attributes(c_, window, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(c_);
        free(xcb_get_input_focus_reply(c_, xcb_get_input_focus(c_), nullptr));
    }
    ~FocusWatch() { xcb_disconnect(c_); }
    FocusWatch(const FocusWatch&) = delete;
    FocusWatch& operator=(const FocusWatch&) = delete;

    // Whether the window was given the focus since the last call.
    bool given()
    {
        bool in = false;
        while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
            const auto* f = reinterpret_cast<const xcb_focus_in_event_t*>(e);
            in = in
                || ((e->response_type & 0x7f) == XCB_FOCUS_IN && f->event == window_
                    && f->detail != XCB_NOTIFY_DETAIL_POINTER && f->mode != XCB_NOTIFY_MODE_UNGRAB);
            free(e);
        }
        return in;
    }

private:
    xcb_connection_t* c_;
    xcb_window_t window_;
};

// The pointer comes onto the xterm from the desktop to its right (the xterm ends before the
// screen's edge) and rests there: where the
// focus follows it, once the window manager gave the xterm the focus.
::testing::AssertionResult restOn(XSession& s, xcb_window_t w)
{
    FocusWatch watch(s, w);
    const Rect frame = s.wmFrame(w).value_or(Rect());
    glideTo(s, {frame.maxX() + 20, frame.midY()}, 12);
    glideTo(s, {frame.midX(), frame.midY()}, 12);
    if (s.focusFollowsMouse() && !s.waitFor([&] { return watch.given(); }, 5000))
        return ::testing::AssertionFailure() << s.windowManager().toStdString() << " never focused the xterm; the pointer is at "
                                             << toString(s.pointer().value_or(Point())).toStdString() << ", the xterm at "
                                             << toString(s.wmFrame(w).value_or(Rect())).toStdString() << ", the focus on "
                                             << s.windowTitle(s.inputFocus()).toStdString();
    return ::testing::AssertionSuccess();
}

// The pointer goes into the xterm and clicks there, as a user does to type into it (the window
// manager's idea of the focused window follows); true once it has the keyboard.
::testing::AssertionResult focusedXterm(XSession& s, xcb_window_t w)
{
    const Rect frame = s.wmFrame(w).value_or(Rect());
    glideTo(s, {frame.midX(), frame.midY()}, 12);
    s.pressButton(1);
    s.releaseButton(1);
    const auto focused = [&] {
        const xcb_window_t active = s.activeWindow();
        return s.inputFocus() == w && (active == w || active == XCB_NONE);
    };
    if (!s.waitFor(focused))
        return ::testing::AssertionFailure() << "the keyboard never came to " << s.windowTitle(w).toStdString() << " ("
                                             << w << "): it is on " << s.inputFocus() << ", the active window is "
                                             << s.activeWindow() << ", the pointer at "
                                             << toString(s.pointer().value_or(Point())).toStdString();
    return ::testing::AssertionSuccess();
}

// alpha placed in the left half, once the placement's motion ended (the program tells it): a
// click during the motion would stop it.
bool placedLeft(XSession& s, xcb_window_t w)
{
    const auto f = s.wmFrame(w);
    return f && f->x() < 40 && f->y() < 40 && f->width() > 800 && programLog(s).contains(u"resize done"_qs);
}

// Types "ok" into the xterm; true once its file holds just that.
bool typeOkInto(XSession& s, const Typist& t)
{
    if (!focusedXterm(s, t.term.window))
        return false;
    chord(s, {LetterO});
    chord(s, {LetterK});
    return s.waitFor([&] { return written(t) == "ok"; });
}

// The session with the focus following the pointer where it can, alpha at the bottom left and
// beta at the bottom right (off the picker), and the program.
class PanelKeysFollowMouseX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        XSessionOptions options;
        options.focusFollowsMouse = true;
        session_.emplace(options);
        ASSERT_TRUE(session_->ok()) << session_->error();
        a = startTypist(*session_, u"alpha"_qs, u"60x15+40+700"_qs);
        b = startTypist(*session_, u"beta"_qs, u"60x15+1250+700"_qs);
        ASSERT_TRUE(a.term.window && b.term.window) << session_->error();
        program = startProgram(*session_, defaults_);
        ASSERT_TRUE(program) << session_->error() << "\n" << programLog(*session_).toStdString();
    }
    bool shown(const QString& title) { return programWindowShown(*session_, title); }
    std::string log() { return programLog(*session_).toStdString() + "\npanels: " + programPanels(*session_); }

    // Whether the switcher's key is another program's (icewm's stock keys take Ctrl+Alt+S where
    // xdg-open exists).
    bool switcherKeyTaken()
    {
        for (const QString& line : programLog(*session_).split(u'\n')) {
            if (line.contains(u"Registration failed:"_qs) && line.contains(u"Show Window Stack"_qs))
                return true;
        }
        return false;
    }

    // Opens the picker for alpha, places it in the left half with Return and waits for snap
    // assist, which takes the keyboard, to offer the right half.
    ::testing::AssertionResult alphaLeftAndAssistOpen()
    {
        XSession& s = *session_;
        if (!focusedXterm(s, a.term.window))
            return ::testing::AssertionFailure() << "alpha never had the keyboard";
        glideTo(s, {1100, 1060}, 12);
        chord(s, {ControlL, AltL, LetterP});
        if (!s.waitFor([&] { return wmClass(s, s.inputFocus()).contains("framewell"); }, 10000))
            return ::testing::AssertionFailure() << "the picker never had the keyboard\n" << log();
        chord(s, {Return});
        if (!s.waitFor([&] { return placedLeft(s, a.term.window); }, 10000))
            return ::testing::AssertionFailure() << "alpha not placed\n" << log();
        if (!s.waitFor([&] { return shown(u"Choose a window for this space"_qs); }, 10000))
            return ::testing::AssertionFailure() << "no snap assist\n" << log();
        return ::testing::AssertionSuccess();
    }

    std::optional<XSession> session_;
    QJsonObject defaults_;   // more settings for the program, set before SetUp
    Typist a, b;
    pid_t program = 0;
};

TEST_F(PanelKeysFollowMouseX11, ThePickerKeepsItsKeysWhileThePointerRestsOnAnotherWindow)
{
    XSession& session = *session_;

    // Into alpha; the picker opens for it.
    ASSERT_TRUE(focusedXterm(session, a.term.window));
    // The pointer waits on the desktop, off every window and panel (a card under it would be
    // chosen by hovering).
    auto openPicker = [&] {
        glideTo(session, {1100, 1060}, 12);
        chord(session, {ControlL, AltL, LetterP});
        return session.waitFor([&] { return shown(u"Choose a Layout"_qs); }, 10000);
    };
    ASSERT_TRUE(openPicker()) << log();

    // The pointer rests on beta: Escape still closes the picker.
    ASSERT_TRUE(restOn(session, b.term.window)) << log();
    chord(session, {Escape});
    EXPECT_TRUE(session.waitFor([&] { return !shown(u"Choose a Layout"_qs); })) << "Escape did not close the picker";

    // Again: Return places alpha in the left half, and the picker closes.
    ASSERT_TRUE(focusedXterm(session, a.term.window));
    ASSERT_TRUE(openPicker()) << log();
    ASSERT_TRUE(restOn(session, b.term.window)) << log();
    EXPECT_TRUE(shown(u"Choose a Layout"_qs)) << "the pointer's motion closed the picker";
    chord(session, {Return});
    EXPECT_TRUE(session.waitFor([&] { return placedLeft(session, a.term.window); }, 10000))
        << "alpha is at " << toString(session.wmFrame(a.term.window).value_or(Rect())).toStdString() << "\n" << log();
    EXPECT_TRUE(session.waitFor([&] { return !shown(u"Choose a Layout"_qs); })) << "the picker stayed open";

    // Snap assist offers the right half once the placement committed (a click before then would
    // end the placement's interaction, and no snap assist would come): a click in alpha ends it,
    // and its hold on the keyboard with it (keys typed before it closed are its own). Nothing
    // reached alpha.
    ASSERT_TRUE(session.waitFor([&] { return shown(u"Choose a window for this space"_qs); }, 10000)) << log();
    ASSERT_TRUE(focusedXterm(session, a.term.window));
    ASSERT_TRUE(session.waitFor([&] { return !shown(u"Choose a window for this space"_qs); })) << log();
    EXPECT_TRUE(typeOkInto(session, a)) << "alpha wrote \"" << written(a).toStdString() << "\"";

    // Nothing reached beta: it holds only what is typed into it now.
    EXPECT_TRUE(typeOkInto(session, b)) << "beta wrote \"" << written(b).toStdString() << "\"";
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

TEST_F(PanelKeysFollowMouseX11, TheSwitcherKeepsItsKeysWhileThePointerRestsOnAnotherWindow)
{
    XSession& session = *session_;
    if (switcherKeyTaken())
        GTEST_SKIP() << session.windowManager().toStdString() << " holds the switcher's key";

    // alpha placed in the left half by the picker; a click in it ends snap assist.
    ASSERT_TRUE(focusedXterm(session, a.term.window));
    glideTo(session, {1100, 1060}, 12);
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }, 10000))
        << log();
    chord(session, {Return});
    ASSERT_TRUE(session.waitFor([&] { return placedLeft(session, a.term.window); }, 10000)) << log();
    ASSERT_TRUE(session.waitFor([&] { return shown(u"Choose a window for this space"_qs); }, 10000)) << log();
    ASSERT_TRUE(focusedXterm(session, a.term.window));
    ASSERT_TRUE(session.waitFor([&] { return !shown(u"Choose a window for this space"_qs); })) << log();

    // gamma put on alpha's frame stacks with it (its badge shows). The switcher opens from it,
    // the pointer rests on beta, and "2" chooses the second card: the switcher closes.
    const Typist c = startTypist(session, u"gamma"_qs, u"60x15+300+100"_qs);
    X11WindowSystem ws(session.display());
    ws.setWriteTimeout(5000);   // its write is read back at once: it waits for the WM's answer
    const auto placed = ws.frame(a.term.window);
    ASSERT_TRUE(c.term.window && placed && ws.setFrame(c.term.window, *placed)) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return ws.frame(c.term.window) == placed; }))
        << toString(ws.frame(c.term.window).value_or(Rect())).toStdString() << " for " << toString(*placed).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return shown(u"Framewell stack badge"_qs); }, 10000)) << log();
    ASSERT_TRUE(session.activate(c.term.window));
    glideTo(session, {1100, 1060}, 12);
    chord(session, {ControlL, AltL, LetterS});
    ASSERT_TRUE(session.waitFor([&] { return shown(u"Window Stack"_qs); }, 10000)) << log();
    ASSERT_TRUE(restOn(session, b.term.window)) << log();
    EXPECT_TRUE(shown(u"Window Stack"_qs)) << "the pointer's motion closed the switcher";
    chord(session, {Digit2});
    EXPECT_TRUE(session.waitFor([&] { return !shown(u"Window Stack"_qs); })) << "the switcher stayed open";
    // Nothing reached the xterms (their terminals write every key at once).
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
    for (const Typist* t : std::initializer_list<const Typist*>{&a, &b, &c})
        EXPECT_EQ(written(*t), QByteArray()) << session.windowTitle(t->term.window).toStdString();
}

TEST_F(PanelKeysFollowMouseX11, AClickOnAnotherWindowClosesThePickerAndTheKeysFollowTheClick)
{
    XSession& session = *session_;
    // The picker opened for alpha; the pointer moves onto beta, whose focus the panel's hold
    // takes back, and clicks there: the picker closes and what is typed next goes into beta.
    ASSERT_TRUE(focusedXterm(session, a.term.window));
    glideTo(session, {1100, 1060}, 12);
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] { return shown(u"Choose a Layout"_qs); }, 10000)) << log();
    ASSERT_TRUE(restOn(session, b.term.window)) << log();
    session.pressButton(1);
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] { return !shown(u"Choose a Layout"_qs); })) << "the click left the picker open";
    chord(session, {LetterO});
    chord(session, {LetterK});
    EXPECT_TRUE(session.waitFor([&] { return written(b) == "ok"; }))
        << "beta wrote \"" << written(b).toStdString() << "\", alpha \"" << written(a).toStdString()
        << "\"; the focus is on " << session.windowTitle(session.inputFocus()).toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
    EXPECT_EQ(written(a), QByteArray());
}

// The owner of the PRIMARY selection; none.
xcb_window_t primaryOwner(XSession& s)
{
    auto* r = xcb_get_selection_owner_reply(s.connection(), xcb_get_selection_owner(s.connection(), XCB_ATOM_PRIMARY),
                                            nullptr);
    const xcb_window_t owner = r ? r->owner : XCB_NONE;
    free(r);
    return owner;
}

// The middle button runs Show Window Stack.
class MiddleButtonFollowMouseX11 : public PanelKeysFollowMouseX11 {
protected:
    MiddleButtonFollowMouseX11()
    {
        defaults_.insert(u"mouseShortcuts.v1"_qs, QJsonObject{{u"5"_qs, QJsonObject{{u"button"_qs, 2}, {u"modifiers"_qs, 0}}}});
    }
};

TEST_F(MiddleButtonFollowMouseX11, ReturnTakesTheAssistsCardAndTheMiddleButtonPastesOffEveryStack)
{
    XSession& session = *session_;

    // Snap assist offers beta for the right half, its card ringed: Return puts beta there.
    ASSERT_TRUE(alphaLeftAndAssistOpen());
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }, 10000))
        << log();
    chord(session, {Return});
    EXPECT_TRUE(session.waitFor([&] {
        const auto f = session.wmFrame(b.term.window);
        return f && f->x() > 900 && f->y() < 40 && f->width() > 800 && programLog(session).count(u"resize done"_qs) >= 2;
    }, 10000)) << "beta is at " << toString(session.wmFrame(b.term.window).value_or(Rect())).toStdString() << "\n" << log();
    EXPECT_TRUE(session.waitFor([&] { return !shown(u"Choose a window for this space"_qs); })) << "the assist stayed open";

    // A client holds text selected. Beta is in no stack: a middle click in it pastes the text.
    const auto owner = session.startTestClient(u"owner"_qs, {u"--primary"_qs, u"fwpaste"_qs, u"--size"_qs, u"100x60"_qs,
                                                            u"--position"_qs, u"1700,900"_qs});
    ASSERT_TRUE(owner.window && session.waitFor([&] { return primaryOwner(session) == owner.window; })) << session.error();
    ASSERT_TRUE(restOn(session, b.term.window)) << log();
    session.pressButton(2);
    session.releaseButton(2);
    EXPECT_TRUE(session.waitFor([&] { return written(b) == "fwpaste"; }, 10000))
        << "beta wrote \"" << written(b).toStdString() << "\"\n" << log();

    // gamma put on alpha's frame stacks with it (its badge shows): a middle click there opens
    // the switcher, and pastes nothing.
    const Typist c = startTypist(session, u"gamma"_qs, u"60x15+300+100"_qs);
    X11WindowSystem ws(session.display());
    ws.setWriteTimeout(5000);
    const auto placed = ws.frame(a.term.window);
    ASSERT_TRUE(c.term.window && placed && ws.setFrame(c.term.window, *placed)) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return ws.frame(c.term.window) == placed; }));
    ASSERT_TRUE(session.waitFor([&] { return shown(u"Framewell stack badge"_qs); }, 10000)) << log();
    glideTo(session, {placed->midX(), placed->midY() + 60}, 12);
    session.pressButton(2);
    session.releaseButton(2);
    EXPECT_TRUE(session.waitFor([&] { return shown(u"Window Stack"_qs); }, 10000)) << log();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
    EXPECT_EQ(written(a), QByteArray());
    EXPECT_EQ(written(c), QByteArray());
    EXPECT_FALSE(programLog(session).contains(u"No other windows share"_qs));
}

// Title-bar drags right after a panel of ours that held the keyboard closed by Escape: the place
// key's picker closed unused, then, alpha placed in the left half by it, snap assist over the
// right half. Each time beta, pressed on its title bar and taken at a hand's pace, moves with the
// pointer at the first try: closing a panel leaves the window manager as it found it. So does
// alpha when the press on its title bar is what closes snap assist (metacity and mutter take the
// keyboard as a move starts, and gave the move up while the panel held it).
void dragsAfterPanelsClose(const XSessionOptions& options, bool crowded)
{
    XSession session(options);
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    const auto alpha = session.startXterm(u"alpha"_qs, {u"-geometry"_qs, u"60x15+40+700"_qs});
    const auto beta = session.startXterm(u"beta"_qs, {u"-geometry"_qs, u"60x15+1250+700"_qs});
    ASSERT_TRUE(alpha.window && beta.window) << session.error();
    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << "\n" << programLog(session).toStdString();
    const auto log = [&] { return programLog(session).toStdString() + "\npanels: " + programPanels(session); };
    if (crowded) {
        ASSERT_TRUE(session.crowdOntoTwoCores()) << "the cores were refused";
    }
    const auto openPicker = [&] {
        glideTo(session, {1100, 1060}, 12);
        chord(session, {ControlL, AltL, LetterP});
        return session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }, 10000);
    };
    const auto escapeCloses = [&](const QString& title) {
        chord(session, {Escape});
        if (!session.waitFor([&] { return !programWindowShown(session, title); }))
            return ::testing::AssertionFailure() << "Escape left it open\n" << log();
        // A hand comes later than the manager's reading of the close.
        if (!session.syncWithWindowManager(10000))
            return ::testing::AssertionFailure() << session.windowManager().toStdString() << " never answered";
        return ::testing::AssertionSuccess();
    };
    // The frame follows the pointer while the button is held.
    const auto dragMoves = [&](xcb_window_t window, int dx, int dy) {
        const auto before = session.wmFrame(window);
        if (!before || !pressTitleBar(session, window))
            return ::testing::AssertionFailure() << "no frame";
        glide(session, dx, dy, 16);
        const bool moved = session.waitFor([&] {
            const auto now = session.wmFrame(window);
            return now && std::abs(now->x() - before->x()) > std::abs(dx) / 2
                && std::abs(now->y() - before->y()) > std::abs(dy) / 2;
        });
        const auto during = session.wmFrame(window);
        session.releaseButton(1);
        if (moved && session.syncWithWindowManager())
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << session.windowManager().toStdString() << " held it at "
                                             << toString(during.value_or(Rect())).toStdString() << " (from "
                                             << toString(*before).toStdString() << ")\n" << log();
    };
    const auto dragMovesBeta = [&] { return dragMoves(beta.window, -240, -160); };

    ASSERT_TRUE(focusedXterm(session, alpha.window));
    ASSERT_TRUE(openPicker()) << "the picker never had the keyboard\n" << log();
    ASSERT_TRUE(escapeCloses(u"Choose a Layout"_qs)) << "the picker";
    EXPECT_TRUE(dragMovesBeta()) << "after the picker";

    // Alpha placed in the left half, snap assist over the right one: the press on alpha's title
    // bar that closes it starts alpha's move as well (released over the right half, alpha goes
    // there).
    ASSERT_TRUE(focusedXterm(session, alpha.window));
    ASSERT_TRUE(openPicker()) << "the picker never had the keyboard\n" << log();
    chord(session, {Return});
    ASSERT_TRUE(session.waitFor([&] {
        return placedLeft(session, alpha.window) && programWindowShown(session, u"Choose a window for this space"_qs)
            && wmClass(session, session.inputFocus()).contains("framewell");
    }, 10000)) << "no snap assist with the keyboard\n" << log();
    EXPECT_TRUE(dragMoves(alpha.window, 240, 160)) << "the press that closed snap assist";
    // A click during the drop's motion would stop it.
    session.waitFor([&] { return programLog(session).contains(u"Drop place(1) finished"_qs); }, 5000);

    // Placed again into the left half, snap assist over the right one, closed by Escape.
    ASSERT_TRUE(focusedXterm(session, alpha.window));
    ASSERT_TRUE(openPicker()) << "the picker never had the keyboard\n" << log();
    chord(session, {Return});
    ASSERT_TRUE(session.waitFor([&] { return placedLeft(session, alpha.window); }, 10000)) << "alpha not placed\n" << log();
    ASSERT_TRUE(session.waitFor([&] {
        return programWindowShown(session, u"Choose a window for this space"_qs)
            && wmClass(session, session.inputFocus()).contains("framewell");
    }, 10000)) << "no snap assist with the keyboard\n" << log();
    ASSERT_TRUE(escapeCloses(u"Choose a window for this space"_qs)) << "snap assist";
    EXPECT_TRUE(dragMovesBeta()) << "after snap assist";

    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

TEST(PanelClosedDragX11, ATitleBarDragRightAfterEscapeClosedAPanelMovesTheWindow)
{
    if (const auto why = XSession::freeCoresSkip())
        GTEST_SKIP() << *why;
    dragsAfterPanelsClose({}, false);
}

TEST(PanelClosedDragX11, OnTwoBusyCoresATitleBarDragRightAfterEscapeClosedAPanelMovesTheWindow)
{
    dragsAfterPanelsClose({}, true);
}

void dragsAfterPanelsCloseUnder(const QString& manager, bool crowded)
{
    if (const auto why = XSession::outsideMatrixSkip(manager))
        GTEST_SKIP() << *why;
    dragsAfterPanelsClose({.windowManagerName = manager}, crowded);
}

TEST(PanelClosedDragOutsideTheMatrixX11, UnderMutter)
{
    if (const auto why = XSession::freeCoresSkip())
        GTEST_SKIP() << *why;
    dragsAfterPanelsCloseUnder(u"mutter"_qs, false);
}
TEST(PanelClosedDragOutsideTheMatrixX11, UnderMutterOnTwoBusyCores) { dragsAfterPanelsCloseUnder(u"mutter"_qs, true); }
TEST(PanelClosedDragOutsideTheMatrixX11, UnderMuffin) { dragsAfterPanelsCloseUnder(u"muffin"_qs, false); }
TEST(PanelClosedDragOutsideTheMatrixX11, UnderMarcoOnTwoBusyCores) { dragsAfterPanelsCloseUnder(u"marco"_qs, true); }

} // namespace
} // namespace fw
