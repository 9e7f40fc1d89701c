// The program as a user starts it, on a real server (Xvfb, openbox, trayer as the tray host,
// two monitors), with its own HOME and XDG directories: its icon is embedded in the tray; the
// "place" key on the focused xterm opens the picker and Return places the xterm; a second copy
// ends with status 0 and the first one opens its Getting Started window; SIGTERM ends it with
// status 0 and leaves no grab behind.
#include "layout/SnapLayout.h"
#include "snap/AppliedLayouts.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <xcb/xcb_keysyms.h>

#include <gtest/gtest.h>

#include <csignal>

#ifndef FW_FRAMEWELL_PATH
#define FW_FRAMEWELL_PATH "framewell"
#endif

namespace fw {
namespace {

using test::XSession;

constexpr xcb_keysym_t ControlL = 0xffe3, AltL = 0xffe9, LetterP = 0x70, Return = 0xff0d;

xcb_keycode_t keycode(XSession& s, xcb_keysym_t sym)
{
    xcb_key_symbols_t* syms = xcb_key_symbols_alloc(s.connection());
    xcb_keycode_t* codes = xcb_key_symbols_get_keycode(syms, sym);
    const xcb_keycode_t code = codes ? codes[0] : 0;
    free(codes);
    xcb_key_symbols_free(syms);
    return code;
}

void key(XSession& s, xcb_keysym_t sym, bool down)
{
    const xcb_keycode_t code = keycode(s, sym);
    xcb_test_fake_input(s.connection(), down ? XCB_KEY_PRESS : XCB_KEY_RELEASE, code, XCB_CURRENT_TIME, XCB_NONE, 0,
                        0, 0);
    xcb_flush(s.connection());
}

void chord(XSession& s, std::initializer_list<xcb_keysym_t> syms)
{
    for (xcb_keysym_t k : syms)
        key(s, k, true);
    for (auto it = std::rbegin(syms); it != std::rend(syms); ++it)
        key(s, *it, false);
}

QByteArray wmClass(XSession& s, xcb_window_t w)
{
    auto* r = xcb_get_property_reply(s.connection(),
                                     xcb_get_property(s.connection(), 0, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 0, 64),
                                     nullptr);
    QByteArray value = r ? QByteArray(static_cast<const char*>(xcb_get_property_value(r)),
                                      xcb_get_property_value_length(r))
                         : QByteArray();
    free(r);
    return value.replace('\0', ' ');
}

std::vector<xcb_window_t> children(XSession& s, xcb_window_t w)
{
    std::vector<xcb_window_t> out;
    if (auto* r = xcb_query_tree_reply(s.connection(), xcb_query_tree(s.connection(), w), nullptr)) {
        const xcb_window_t* c = xcb_query_tree_children(r);
        out.assign(c, c + xcb_query_tree_children_length(r));
        free(r);
    }
    return out;
}

// Whether a window of ours sits inside another client's window: the tray icon that the tray
// host embedded.
bool trayIconEmbedded(XSession& s)
{
    for (xcb_window_t top : children(s, s.root())) {
        std::vector<xcb_window_t> level = children(s, top);
        for (int depth = 0; depth < 3 && !level.empty(); ++depth) {
            std::vector<xcb_window_t> next;
            for (xcb_window_t w : level) {
                if (wmClass(s, w).contains("framewell") && !wmClass(s, top).contains("framewell"))
                    return true;
                const auto more = children(s, w);
                next.insert(next.end(), more.begin(), more.end());
            }
            level = std::move(next);
        }
    }
    return false;
}

bool trayHostRunning(XSession& s)
{
    static const char name[] = "_NET_SYSTEM_TRAY_S0";
    auto* atom = xcb_intern_atom_reply(s.connection(), xcb_intern_atom(s.connection(), 0, sizeof name - 1, name), nullptr);
    if (!atom)
        return false;
    auto* owner = xcb_get_selection_owner_reply(s.connection(), xcb_get_selection_owner(s.connection(), atom->atom),
                                                nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return owned;
}

// The top-level window titled so, of our program.
bool programWindowShown(XSession& s, const QString& title)
{
    for (xcb_window_t top : children(s, s.root())) {
        for (xcb_window_t w : children(s, top)) {
            if (wmClass(s, w).contains("framewell") && s.windowTitle(w) == title && s.isViewable(w))
                return true;
        }
    }
    return false;
}

// Whether another client may grab the combination on the root window now.
bool keyFree(XSession& s, xcb_keysym_t sym, std::uint16_t mods)
{
    xcb_connection_t* c = s.connection();
    const xcb_keycode_t code = keycode(s, sym);
    xcb_generic_error_t* error = xcb_request_check(
        c, xcb_grab_key_checked(c, 1, s.root(), mods, code, XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC));
    const bool free_ = !error;
    ::free(error);
    xcb_ungrab_key(c, code, s.root(), mods);
    xcb_flush(c);
    return free_;
}

QString programLog(const XSession& s)
{
    QString text;
    for (const QString& name : QDir(s.directory() + u"/logs"_qs).entryList({u"framewell-*.log"_qs})) {
        QFile f(s.directory() + u"/logs/"_qs + name);
        if (f.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(f.readAll());
    }
    return text;
}

TEST(ProgramX11, StartsInTheTrayPlacesWindowsRefusesASecondCopyAndEndsCleanly)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    ASSERT_TRUE(session.spawn({u"trayer"_qs, u"--edge"_qs, u"top"_qs, u"--align"_qs, u"right"_qs, u"--widthtype"_qs,
                               u"request"_qs, u"--height"_qs, u"24"_qs, u"--SetDockType"_qs, u"true"_qs}))
        << session.error();
    ASSERT_TRUE(session.waitFor([&] { return trayHostRunning(session); })) << "trayer did not start";
    auto term = session.startXterm(u"place me"_qs, {u"-geometry"_qs, u"80x24+2100+300"_qs});
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term.window; })) << "xterm never became active";

    // A user who has opened the program before: no welcome window at start.
    const QString config = session.directory() + u"/config/framewell"_qs;
    ASSERT_TRUE(QDir().mkpath(config));
    QFile defaults(config + u"/defaults.json"_qs);
    ASSERT_TRUE(defaults.open(QIODevice::WriteOnly));
    defaults.write(R"({"hasOpened": true, "welcomeVideoShown": true, "lastSeenVersion": "0.1.0"})");
    defaults.close();

    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return trayIconEmbedded(session); }, 10000))
        << "no tray icon; the program said:\n" << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, 10000));

    // The place key on the focused xterm, then Return in the picker: the left half of the
    // right monitor, on the xterm's cell grid.
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        << "the picker did not take the keyboard";
    chord(session, {Return});
    const ScreenInfo right{u"RIGHT"_qs, u"RIGHT"_qs, Rect(1920, 0, 1280, 1024), Rect(1920, 0, 1280, 1024), false};
    const Rect target = regionFrames(SnapLayout::builtIns().front(), right).at(0);
    auto placed = [&] {
        const auto f = session.wmFrame(term.window);
        return f && f->origin == target.origin && f->width() <= target.width() && target.width() - f->width() < 20
            && f->height() <= target.height() && target.height() - f->height() < 30;
    };
    EXPECT_TRUE(session.waitFor(placed, 10000))
        << "xterm at " << (session.wmFrame(term.window) ? toString(*session.wmFrame(term.window)).toStdString() : "?")
        << ", asked for " << toString(target).toStdString() << "\n" << programLog(session).toStdString();

    // A second copy ends with status 0; the first stays and opens Getting Started.
    const pid_t second = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(second);
    EXPECT_EQ(session.waitForExit(second, 10000), std::optional<int>(0));
    EXPECT_EQ(::kill(program, 0), 0) << "the first copy ended";
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 10000))
        << "no Getting Started window";

    // SIGTERM: a clean end, and the keys are free for the next client.
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();
    EXPECT_TRUE(keyFree(session, LetterP, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1)) << "Ctrl+Alt+P is still grabbed";
    EXPECT_FALSE(trayIconEmbedded(session));
}

} // namespace
} // namespace fw
