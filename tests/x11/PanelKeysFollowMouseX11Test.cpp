// The keyboard of an open panel under a window manager whose focus follows the pointer (evilwm
// always; openbox, pekwm and fluxbox set so; the others as they come, clicking to focus): with
// the pointer resting on an xterm running `cat`, whose focus the manager moves there, Escape
// closes the picker and Return in the picker places the window that had the keyboard. Nothing
// typed meanwhile reaches the xterms: each writes only the line typed into it afterwards.
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

namespace fw {
namespace {

using namespace test;

constexpr xcb_keysym_t LetterO = 0x6f, LetterK = 0x6b;

// An xterm whose `cat` writes every line typed into it to a file of the session.
struct Typist {
    XSession::Client term;
    QString file;
};

Typist startTypist(XSession& s, const QString& title, const QString& geometry)
{
    const QString file = s.directory() + u"/"_qs + title + u".txt"_qs;
    const auto term = s.startXterm(title, {u"-geometry"_qs, geometry, u"-e"_qs, u"sh"_qs, u"-c"_qs,
                                           u"exec cat > '"_qs + file + u"'"_qs});
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

// Moves the pointer to a point as a hand does, in relative steps (the server may accelerate
// them: each step is measured again).
void glideTo(XSession& s, Point to)
{
    for (int step = 0; step < 60; ++step) {
        const auto at = s.pointer();
        if (!at)
            return;
        const int dx = int(to.x - at->x), dy = int(to.y - at->y);
        if (std::abs(dx) <= 2 && std::abs(dy) <= 2)
            return;
        s.moveRelative(std::clamp(dx, -40, 40), std::clamp(dy, -40, 40));
    }
}

// The pointer comes onto the xterm from the desktop to its right (the xterm ends before the
// screen's edge) and rests there: where the
// focus follows it, once the window manager gave the xterm the focus.
::testing::AssertionResult restOn(XSession& s, xcb_window_t w)
{
    FocusWatch watch(s, w);
    const Rect frame = s.wmFrame(w).value_or(Rect());
    glideTo(s, {frame.maxX() + 20, frame.midY()});
    glideTo(s, {frame.midX(), frame.midY()});
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
    glideTo(s, {frame.midX(), frame.midY()});
    s.pressButton(1);
    s.waitFor([] { return false; }, 100);
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

// Types a line into the xterm that has the keyboard; true once its file holds just that line.
bool typeOkInto(XSession& s, const Typist& t)
{
    if (!focusedXterm(s, t.term.window))
        return false;
    chord(s, {LetterO});
    chord(s, {LetterK});
    chord(s, {Return});
    return s.waitFor([&] { return written(t) == "ok\n"; });
}

TEST(PanelKeysFollowMouseX11, ThePickerKeepsItsKeysWhileThePointerRestsOnAnotherWindow)
{
    XSessionOptions options;
    options.focusFollowsMouse = true;
    XSession session(options);
    ASSERT_TRUE(session.ok()) << session.error();
    const Typist a = startTypist(session, u"alpha"_qs, u"60x15+40+700"_qs);
    const Typist b = startTypist(session, u"beta"_qs, u"60x15+1250+700"_qs);
    ASSERT_TRUE(a.term.window && b.term.window) << session.error();
    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << "\n" << programLog(session).toStdString();
    auto shown = [&](const QString& title) { return programWindowShown(session, title); };
    auto log = [&] { return programLog(session).toStdString(); };

    // Into alpha; the picker opens for it.
    ASSERT_TRUE(focusedXterm(session, a.term.window));
    // The pointer waits on the desktop, off every window and panel (a card under it would be
    // chosen by hovering).
    auto openPicker = [&] {
        glideTo(session, {1100, 1060});
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
    const auto before = session.wmFrame(a.term.window);
    ASSERT_TRUE(openPicker()) << log();
    ASSERT_TRUE(restOn(session, b.term.window)) << log();
    EXPECT_TRUE(shown(u"Choose a Layout"_qs)) << "the pointer's motion closed the picker";
    chord(session, {Return});
    EXPECT_TRUE(session.waitFor([&] { return session.wmFrame(a.term.window) != before; }, 10000))
        << "alpha stayed at " << toString(before.value_or(Rect())).toStdString() << "\n" << log();
    EXPECT_TRUE(session.waitFor([&] { return !shown(u"Choose a Layout"_qs); })) << "the picker stayed open";

    // Snap assist offers the right half: a click in alpha ends it. Nothing reached alpha.
    EXPECT_TRUE(typeOkInto(session, a)) << "alpha wrote \"" << written(a).toStdString() << "\"";
    ASSERT_TRUE(session.waitFor([&] { return !shown(u"Choose a window for this space"_qs); })) << log();

    // Nothing reached beta: it holds only what is typed into it now.
    EXPECT_TRUE(typeOkInto(session, b)) << "beta wrote \"" << written(b).toStdString() << "\"";
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

} // namespace
} // namespace fw
