// Keys on a real server, driven through XTest: a hot key held down with the server's key
// repeat on acts once per press; and under a window manager that lists _NET_ACTIVE_WINDOW and
// ignores it, the program's picker still takes the keyboard from the focused xterm, its keys
// place the xterm, and the keyboard goes back to the xterm when the picker closes; so does
// the Getting Started window.
#include "app/HotKeys.h"
#include "base/UserDefaults.h"
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "snap/AppliedLayouts.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace fw {
namespace {

using namespace test;

constexpr xcb_keysym_t Down = 0xff54;

xcb_atom_t atom(XSession& s, const char* name)
{
    auto* r = xcb_intern_atom_reply(s.connection(), xcb_intern_atom(s.connection(), 0, std::strlen(name), name), nullptr);
    const xcb_atom_t a = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(r);
    return a;
}

void setWindows(XSession& s, xcb_window_t on, const char* property, std::initializer_list<xcb_window_t> windows)
{
    const std::vector<xcb_window_t> v(windows);
    xcb_change_property(s.connection(), XCB_PROP_MODE_REPLACE, on, atom(s, property), XCB_ATOM_WINDOW, 32,
                        std::uint32_t(v.size()), v.data());
}

// Holds a key for a while as a user would, the server repeating it meanwhile.
void holdKey(XSession& s, xcb_keysym_t sym, int milliseconds)
{
    key(s, sym, true);
    s.waitFor([] { return false; }, milliseconds);
    key(s, sym, false);
}

TEST(PanelKeysX11, AHeldHotKeyActsOncePerPressWhileTheServerRepeatsIt)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_EQ(session.run({u"xset"_qs, u"r"_qs, u"on"_qs}), 0);
    ASSERT_EQ(session.run({u"xset"_qs, u"r"_qs, u"rate"_qs, u"150"_qs, u"40"_qs}), 0);
    test::SessionApp app(session);
    MemoryDefaults defaults;
    X11GlobalHotKeys platform(session.display());
    HotKeys hotKeys(platform, defaults);
    std::vector<std::uint32_t> ids;
    hotKeys.action = [&](std::uint32_t id) { ids.push_back(id); };
    hotKeys.installHandler();
    hotKeys.registerKeys();
    // pekwm binds Ctrl+Alt+P itself.
    if (hotKeys.failures().count(ShortcutAction::place) || hotKeys.failures().count(ShortcutAction::next))
        GTEST_SKIP() << XSession::testWindowManager().toStdString() << " holds Ctrl+Alt+P or Ctrl+Alt+]";

    // The repeat is real: a key held over a window of the test's own arrives again and again
    // (read on a connection of its own: the session's waits drop what theirs reads).
    xcb_connection_t* c = xcb_connect(session.display().constData(), nullptr);
    const xcb_window_t typed = xcb_generate_id(c);
    const std::uint32_t values[] = {1, XCB_EVENT_MASK_KEY_PRESS};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, typed, session.root(), 10, 10, 100, 100, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT,
                      XCB_CW_OVERRIDE_REDIRECT | XCB_CW_EVENT_MASK, values);
    xcb_map_window(c, typed);
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, typed, XCB_CURRENT_TIME);
    xcb_flush(c);
    ASSERT_TRUE(session.waitFor([&] { return session.inputFocus() == typed; }));
    holdKey(session, LetterZ, 700);
    int presses = 0;
    session.waitFor([&] {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            presses += (e->response_type & 0x7f) == XCB_KEY_PRESS;
            free(e);
        }
        return presses > 5;
    }, 2000);
    xcb_disconnect(c);
    ASSERT_GT(presses, 5) << "the server did not repeat the held key";

    // Ctrl+Alt+P held a second: one action. Then Ctrl+Alt+] held, with Ctrl+Alt+P pressed
    // and released twice while it is down, and pressed once more after: each press acts once.
    key(session, ControlL, true);
    key(session, AltL, true);
    holdKey(session, LetterP, 1000);
    ASSERT_TRUE(session.waitFor([&] { return !ids.empty(); }, 3000));
    key(session, BracketRight, true);
    session.waitFor([] { return false; }, 400);
    holdKey(session, LetterP, 300);
    session.waitFor([] { return false; }, 50);
    holdKey(session, LetterP, 300);
    session.waitFor([] { return false; }, 400);
    key(session, BracketRight, false);
    holdKey(session, BracketRight, 50);
    key(session, AltL, false);
    key(session, ControlL, false);
    session.waitFor([&] { return ids.size() >= 5; }, 3000);
    session.waitFor([] { return false; }, 300);   // nothing more comes late
    EXPECT_EQ(ids, (std::vector<std::uint32_t>{6, 7, 6, 6, 7}));
}

TEST(PanelKeysX11, UnderAWindowManagerIgnoringActivationThePickerStillTakesAndGivesBackTheKeyboard)
{
    // No window manager runs: the test stands in for one that names itself, lists the
    // activation request and the client list, keeps both, and never acts on a request.
    XSession session({1920, 1080, false, false});
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(u"typist"_qs, {u"-geometry"_qs, u"80x24+300+300"_qs});
    ASSERT_TRUE(term.window) << session.error();
    xcb_connection_t* c = session.connection();
    const xcb_window_t check = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, check, session.root(), -10, -10, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    setWindows(session, check, "_NET_SUPPORTING_WM_CHECK", {check});
    const QByteArray name = "ignorer";
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, check, atom(session, "_NET_WM_NAME"), atom(session, "UTF8_STRING"), 8,
                        name.size(), name.constData());
    const std::vector<xcb_atom_t> supported = {atom(session, "_NET_ACTIVE_WINDOW"),
                                               atom(session, "_NET_SUPPORTING_WM_CHECK"),
                                               atom(session, "_NET_CLIENT_LIST"), atom(session, "_NET_WM_NAME")};
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, session.root(), atom(session, "_NET_SUPPORTED"), XCB_ATOM_ATOM, 32,
                        std::uint32_t(supported.size()), supported.data());
    setWindows(session, session.root(), "_NET_CLIENT_LIST", {term.window});
    setWindows(session, session.root(), "_NET_ACTIVE_WINDOW", {term.window});
    setWindows(session, session.root(), "_NET_SUPPORTING_WM_CHECK", {check});
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, term.window, XCB_CURRENT_TIME);
    xcb_flush(c);
    ASSERT_TRUE(session.waitFor([&] { return session.inputFocus() == term.window; }));
    const auto before = session.wmFrame(term.window);
    ASSERT_TRUE(before);

    ASSERT_TRUE(openedBefore(session));
    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, 10000))
        << programLog(session).toStdString();

    // The place key: the picker asks for the keyboard, nobody answers, and it takes it.
    session.warpPointer(1800, 1000);
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Choose a Layout"_qs); }))
        << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        << "the picker did not get the keyboard; it is on \"" << session.windowTitle(session.inputFocus()).toStdString()
        << "\"";

    // Down and Return reach the picker: the xterm goes to a half of the screen, on its cell grid.
    chord(session, {Down});
    chord(session, {Return});
    const ScreenInfo screen{u"screen"_qs, u"screen"_qs, Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), true};
    const auto halves = regionFrames(SnapLayout::builtIns().front(), screen);
    auto inAHalf = [&] {
        const auto f = session.wmFrame(term.window);
        return f && std::any_of(halves.begin(), halves.end(), [&](const auto& half) {
            const Rect& target = half.second;
            return f->origin == target.origin && f->width() <= target.width() && target.width() - f->width() < 20
                && f->height() <= target.height() && target.height() - f->height() < 30;
        });
    };
    EXPECT_TRUE(session.waitFor(inAHalf, 10000))
        << "xterm at " << toString(session.wmFrame(term.window).value_or(Rect())).toStdString() << "\n"
        << programLog(session).toStdString();

    // The picker closed: the keyboard is the xterm's again.
    EXPECT_TRUE(session.waitFor([&] { return !programWindowShown(session, u"Choose a Layout"_qs); }));
    EXPECT_TRUE(session.waitFor([&] { return session.inputFocus() == term.window; }))
        << "the keyboard is on \"" << session.windowTitle(session.inputFocus()).toStdString() << "\" ("
        << session.inputFocus() << ")";

    // Our windows take it the same way: Getting Started, which a second copy opens, takes the
    // keyboard; closed as a window manager's close button does, it gives the keyboard back.
    const pid_t second = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(second);
    EXPECT_EQ(session.waitForExit(second, 10000), std::optional<int>(0));
    xcb_window_t welcome = XCB_NONE;
    ASSERT_TRUE(session.waitFor([&] {
        for (xcb_window_t w : programWindows(session))
            if (session.windowTitle(w) == u"Framewell"_qs)
                welcome = w;
        return welcome != XCB_NONE;
    }, 10000));
    ASSERT_TRUE(session.waitFor([&] { return session.inputFocus() == welcome; }))
        << "Getting Started did not get the keyboard; it is on \""
        << session.windowTitle(session.inputFocus()).toStdString() << "\"";
    xcb_client_message_event_t close{};
    close.response_type = XCB_CLIENT_MESSAGE;
    close.format = 32;
    close.window = welcome;
    close.type = atom(session, "WM_PROTOCOLS");
    close.data.data32[0] = atom(session, "WM_DELETE_WINDOW");
    close.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, welcome, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&close));
    xcb_flush(c);
    EXPECT_TRUE(session.waitFor([&] { return !session.isViewable(welcome); }));
    EXPECT_TRUE(session.waitFor([&] { return session.inputFocus() == term.window; }))
        << "the keyboard is on \"" << session.windowTitle(session.inputFocus()).toStdString() << "\"";
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

} // namespace
} // namespace fw
