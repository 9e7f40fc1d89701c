// Keys on a real server, driven through XTest: a hot key held down with the server's key
// repeat on acts once per press; under a window manager that maps a new window late and lists
// _NET_ACTIVE_WINDOW but ignores it, the program's picker still takes the keyboard from the
// focused xterm once shown, its keys place the xterm, and the keyboard goes back to the xterm
// when the picker closes; so does the Getting Started window. A window that takes the keyboard
// only when told to (ICCCM's globally active model, as Wine's programs have it) gets its keys
// again after the picker closes by Escape and by Return, and after the Layout Gallery. A
// picker whose window is hidden (the desktop shown, the window minimized) closes. Under
// afterstep and herbstluftwm, which can neither keep a window above the others nor tell its
// frame (herbstluftwm frames and places floating windows its own way), the picker stands
// unmanaged at the top centre, as everywhere, and takes Return.
#include "app/HotKeys.h"
#include "base/UserDefaults.h"
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "snap/AppliedLayouts.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QStandardPaths>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <poll.h>
#include <thread>

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

// The part of a window manager that decorates a new window before it maps it: on a thread and a
// connection of its own, it takes the map requests of the root's children and grants each only
// `delayMs` later, passing configure requests on at once.
class LateMapper {
public:
    LateMapper(const XSession& s, int delayMs) : c_(xcb_connect(s.display().constData(), nullptr)), delay_(delayMs)
    {
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c_)).data->root;
        const std::uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT;
        xcb_generic_error_t* error = xcb_request_check(c_, xcb_change_window_attributes_checked(c_, root, XCB_CW_EVENT_MASK, &mask));
        ok_ = !error;
        free(error);
        thread_ = std::thread([this] { run(); });
    }
    ~LateMapper()
    {
        stop_ = true;
        thread_.join();
        xcb_disconnect(c_);
    }
    bool ok() const { return ok_; }

private:
    void run()
    {
        std::vector<std::pair<xcb_window_t, std::int64_t>> due;
        while (!stop_) {
            while (xcb_generic_event_t* e = xcb_poll_for_event(c_)) {
                if ((e->response_type & 0x7f) == XCB_MAP_REQUEST)
                    due.emplace_back(reinterpret_cast<xcb_map_request_event_t*>(e)->window, x11::nowMs() + delay_);
                if ((e->response_type & 0x7f) == XCB_CONFIGURE_REQUEST)
                    passOn(*reinterpret_cast<xcb_configure_request_event_t*>(e));
                free(e);
            }
            for (const auto& [window, at] : due)
                if (at <= x11::nowMs())
                    xcb_map_window(c_, window);
            std::erase_if(due, [](const auto& d) { return d.second <= x11::nowMs(); });
            xcb_flush(c_);
            pollfd p{xcb_get_file_descriptor(c_), POLLIN, 0};
            ::poll(&p, 1, 5);
        }
    }
    void passOn(const xcb_configure_request_event_t& r)
    {
        std::vector<std::uint32_t> values;
        const std::pair<std::uint16_t, std::uint32_t> fields[] = {
            {XCB_CONFIG_WINDOW_X, std::uint32_t(r.x)}, {XCB_CONFIG_WINDOW_Y, std::uint32_t(r.y)},
            {XCB_CONFIG_WINDOW_WIDTH, r.width}, {XCB_CONFIG_WINDOW_HEIGHT, r.height},
            {XCB_CONFIG_WINDOW_BORDER_WIDTH, r.border_width}, {XCB_CONFIG_WINDOW_SIBLING, r.sibling},
            {XCB_CONFIG_WINDOW_STACK_MODE, r.stack_mode}};
        for (const auto& [bit, value] : fields)
            if (r.value_mask & bit)
                values.push_back(value);
        xcb_configure_window(c_, r.window, r.value_mask, values.data());
    }

    xcb_connection_t* c_;
    int delay_;
    bool ok_ = false;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

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

TEST(PanelKeysX11, UnderAWindowManagerMappingLateAndIgnoringActivationThePickerStillTakesAndGivesBackTheKeyboard)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("its session runs no window manager"))
        GTEST_SKIP() << *why;
    // No window manager runs: the test stands in for one that names itself, lists the
    // activation request, keeping windows above and the client list, keeps them, never acts on
    // a request, and maps a new window only 700 ms after it was asked to (as one that decorates
    // it first, on a loaded machine).
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
                                               atom(session, "_NET_CLIENT_LIST"), atom(session, "_NET_WM_NAME"),
                                               atom(session, "_NET_WM_STATE"), atom(session, "_NET_WM_STATE_ABOVE")};
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
    LateMapper mapper(session, 700);
    ASSERT_TRUE(mapper.ok());

    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << "\n" << programLog(session).toStdString();

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
    // metacity and mutter park the keyboard on an unmanaged window of their own when the
    // focused window goes, sometimes before we hear of our window's going: no place the user
    // chose, so it still comes back.
    const xcb_window_t parking = xcb_generate_id(c);
    const std::uint32_t unmanaged = 1;
    xcb_create_window(c, XCB_COPY_FROM_PARENT, parking, session.root(), -100, -100, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_OUTPUT, XCB_COPY_FROM_PARENT, XCB_CW_OVERRIDE_REDIRECT, &unmanaged);
    xcb_map_window(c, parking);
    xcb_set_input_focus(c, XCB_INPUT_FOCUS_POINTER_ROOT, parking, XCB_CURRENT_TIME);
    xcb_flush(c);
    ASSERT_TRUE(session.waitFor([&] { return session.inputFocus() == parking; }));
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

// The keys among `letters` that a test client run with --take-focus took while it counted
// itself active, as their keycodes each followed by a space (the modifiers of the place key,
// pressed while it was active, are left out).
QByteArray keysTaken(XSession& s, xcb_window_t client, std::initializer_list<xcb_keysym_t> letters)
{
    auto* r = xcb_get_property_reply(
        s.connection(), xcb_get_property(s.connection(), 0, client, atom(s, "_FW_TEST_KEYS"), XCB_ATOM_STRING, 0, 256),
        nullptr);
    const QByteArray keys = r ? QByteArray(static_cast<const char*>(xcb_get_property_value(r)),
                                           xcb_get_property_value_length(r))
                              : QByteArray();
    free(r);
    QByteArray taken;
    for (const QByteArray& code : keys.split(' '))
        if (std::any_of(letters.begin(), letters.end(), [&](xcb_keysym_t k) { return code.toInt() == keycode(s, k); }))
            taken += code + ' ';
    return taken;
}

TEST(PanelKeysX11, AWindowThatTakesTheKeyboardWhenToldGetsItsKeysAfterThePickerCloses)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << "\n" << programLog(session).toStdString();
    // Input False and WM_TAKE_FOCUS, as Wine's Notepad: it reads keys only once told to take
    // the focus (or clicked), until the focus leaves it.
    const auto notepad = session.startTestClient(u"notepad"_qs, {u"--take-focus"_qs, u"--size"_qs, u"500x400"_qs,
                                                                u"--position"_qs, u"300,300"_qs});
    ASSERT_TRUE(notepad.window) << session.error();
    // Activated as a taskbar does, then told to take the focus as of now: the window manager's
    // own message carries the time of the request, which icewm's own focus on its frame may
    // already have passed (the window's focus request is then ignored).
    session.sendRootMessage(notepad.window, "_NET_ACTIVE_WINDOW", {2});
    ASSERT_TRUE(session.syncWithWindowManager());
    xcb_client_message_event_t takeFocus{};
    takeFocus.response_type = XCB_CLIENT_MESSAGE;
    takeFocus.format = 32;
    takeFocus.window = notepad.window;
    takeFocus.type = atom(session, "WM_PROTOCOLS");
    takeFocus.data.data32[0] = atom(session, "WM_TAKE_FOCUS");
    takeFocus.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(session.connection(), 0, notepad.window, XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&takeFocus));
    xcb_flush(session.connection());
    constexpr xcb_keysym_t a = 0x61, b = 0x62, c = 0x63, d = 0x64;
    const auto taken = [&] { return keysTaken(session, notepad.window, {a, b, c, d}); };
    QByteArray typed;
    // A key typed once the window has the keyboard (it sets the focus itself, a moment after it
    // was told to or clicked).
    auto type = [&](xcb_keysym_t letter) {
        if (!session.waitFor([&] { return session.inputFocus() == notepad.window; }))
            return false;
        chord(session, {letter});
        typed += QByteArray::number(keycode(session, letter)) + ' ';
        return session.waitFor([&] { return taken() == typed; }, 3000);
    };
    ASSERT_TRUE(type(a)) << "the window took no keys before any panel; the keyboard is on \""
                         << session.windowTitle(session.inputFocus()).toStdString() << "\"";

    // The picker opened by the place key and closed by Escape, then by Return (which places
    // the window), then the Layout Gallery closed by Escape: each time the window takes the
    // next key.
    struct Round {
        const char* name;
        xcb_keysym_t opener, closer, letter;
    };
    const Round rounds[] = {{"picker, Escape", LetterP, Escape, b}, {"picker, Return", LetterP, Return, c},
                            {"gallery, Escape", LetterZ, Escape, d}};
    for (const Round& round : rounds) {
        SCOPED_TRACE(round.name);
        // The place key acts on the window the window manager names active, once it learnt
        // of the focus the window set itself.
        ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == notepad.window; }))
            << "the window manager never named the window active";
        chord(session, {ControlL, AltL, round.opener});
        ASSERT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Choose a Layout"_qs); }, 10000))
            << programLog(session).toStdString();
        ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
            << "the panel did not get the keyboard; it is on \""
            << session.windowTitle(session.inputFocus()).toStdString() << "\"";
        chord(session, {round.closer});
        ASSERT_TRUE(session.waitFor([&] { return !programWindowShown(session, u"Choose a Layout"_qs); }));
        EXPECT_TRUE(type(round.letter))
            << "the window took " << taken().toStdString() << " of " << typed.toStdString()
            << "; the keyboard is on \"" << session.windowTitle(session.inputFocus()).toStdString() << "\"\n"
            << programLog(session).toStdString();
    }
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

TEST(PanelKeysX11, ThePickerClosesWhenTheDesktopIsShownOrItsWindowMinimized)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.atomNames(session.root(), "_NET_SUPPORTED").contains(u"_NET_SHOWING_DESKTOP"_qs))
        GTEST_SKIP() << session.windowManager().toStdString() << " has no show-desktop";
    auto term = session.startXterm(u"typist"_qs, {u"-geometry"_qs, u"80x24+300+300"_qs});
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window));
    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << "\n" << programLog(session).toStdString();
    auto openPicker = [&] {
        chord(session, {ControlL, AltL, LetterP});
        return session.waitFor([&] { return programWindowShown(session, u"Choose a Layout"_qs); }, 10000);
    };
    // The window minimized as a taskbar does (ICCCM's iconify request): the picker closes.
    ASSERT_TRUE(openPicker()) << programLog(session).toStdString();
    if (!session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        GTEST_SKIP() << "the picker never had the keyboard under " << session.windowManager().toStdString();
    session.sendRootMessage(term.window, "WM_CHANGE_STATE", {3});
    EXPECT_TRUE(session.waitFor([&] { return !programWindowShown(session, u"Choose a Layout"_qs); }))
        << "the picker stayed after its window was minimized\n" << programLog(session).toStdString();
    ASSERT_TRUE(session.activate(term.window));

    // The desktop shown, as a panel's button does: the picker closes and holds no keys.
    ASSERT_TRUE(openPicker()) << programLog(session).toStdString();
    session.sendRootMessage(session.root(), "_NET_SHOWING_DESKTOP", {1});
    EXPECT_TRUE(session.waitFor([&] { return !programWindowShown(session, u"Choose a Layout"_qs); }))
        << "the picker stayed over the shown desktop\n" << programLog(session).toStdString();
    EXPECT_FALSE(wmClass(session, session.inputFocus()).contains("framewell"));
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

// The xterm "typist" with the keyboard set as a click leaves it (afterstep ignores a pager's
// activation, herbstluftwm has none to give); no window when it did not come or get the keyboard.
XSession::Client typistWithTheKeyboard(XSession& s, const QStringList& xtermArguments = {})
{
    XSession::Client term = s.startXterm(u"typist"_qs, xtermArguments);
    if (!term.window) {
        ADD_FAILURE() << s.error();
        return {};
    }
    xcb_set_input_focus(s.connection(), XCB_INPUT_FOCUS_POINTER_ROOT, term.window, XCB_CURRENT_TIME);
    xcb_flush(s.connection());
    if (!s.waitFor([&] { return s.inputFocus() == term.window; })) {
        ADD_FAILURE() << "the xterm never had the keyboard";
        return {};
    }
    return term;
}

TEST(PanelKeysX11, UnderAfterstepTheHotKeyPickerTakesReturn)
{
    if (const auto why = XSession::outsideMatrixSkip(u"afterstep"_qs))
        GTEST_SKIP() << *why;
    XSessionOptions options;
    options.windowManagerName = u"afterstep"_qs;
    XSession session(options);
    ASSERT_TRUE(session.ok()) << session.error();
    const auto term = typistWithTheKeyboard(session, {u"-geometry"_qs, u"80x24+300+300"_qs});
    ASSERT_TRUE(term.window);
    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << "\n" << programLog(session).toStdString();

    session.warpPointer(1800, 1000);
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Choose a Layout"_qs); }, 10000))
        << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        << "the picker did not get the keyboard; it is on \"" << session.windowTitle(session.inputFocus()).toStdString()
        << "\"";
    // Return reaches the picker, not the xterm: the picker closes and the xterm is placed.
    const auto before = session.wmFrame(term.window);
    chord(session, {Return});
    EXPECT_TRUE(session.waitFor([&] { return !programWindowShown(session, u"Choose a Layout"_qs); }));
    EXPECT_TRUE(session.waitFor([&] { return session.wmFrame(term.window) != before; }, 10000))
        << "xterm still at " << toString(session.wmFrame(term.window).value_or(Rect())).toStdString() << "\n"
        << programLog(session).toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

TEST(PanelKeysX11, UnderHerbstluftwmThePickerStandsUnframedAtTheTopCentreWithTheKeyboard)
{
    if (const auto why = XSession::outsideMatrixSkip(u"herbstluftwm"_qs))
        GTEST_SKIP() << *why;
    XSessionOptions options;
    options.windowManagerName = u"herbstluftwm"_qs;
    XSession session(options);
    ASSERT_TRUE(session.ok()) << session.error();
    const auto term = typistWithTheKeyboard(session);
    ASSERT_TRUE(term.window);
    const pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << "\n" << programLog(session).toStdString();

    // Twice: the keyboard goes back to the xterm and comes again.
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        chord(session, {ControlL, AltL, LetterP});
        xcb_window_t picker = XCB_NONE;
        auto standing = [&] {
            picker = session.inputFocus();
            const auto at = contentRect(session, picker);
            return session.windowTitle(picker) == u"Choose a Layout"_qs && session.isViewable(picker)
                && session.topLevelOf(picker) == picker && at && std::abs(at->x() + at->width() / 2 - 960) <= 2
                && at->y() < 100;
        };
        EXPECT_TRUE(session.waitFor(standing, 10000))
            << "the picker is not unframed at the top centre with the keyboard; the keyboard is on \""
            << session.windowTitle(picker).toStdString() << "\" at "
            << toString(contentRect(session, picker).value_or(Rect())).toStdString() << "\n"
            << programLog(session).toStdString();
        chord(session, {Escape});
        EXPECT_TRUE(session.waitFor([&] { return !programWindowShown(session, u"Choose a Layout"_qs); }));
        EXPECT_TRUE(session.waitFor([&] { return session.inputFocus() == term.window; }));
    }
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

} // namespace
} // namespace fw
