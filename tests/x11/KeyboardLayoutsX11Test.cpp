// Keys of German, French, Russian and Dvorak keyboards on a real server: every key of the main
// block is named by a stored code whose hot key lands on that very key, and a shortcut recorded
// in the shortcuts window from real key presses is stored, labelled and working after a restart,
// also while a Russian group is locked beside the German one.
#include "app/HotKeys.h"
#include "app/qt/ShortcutsWindow.h"
#include "platform/x11/X11GlobalHotKeys.h"
#include "x11/FakeKeys.h"
#include "x11/XSession.h"

#include <QGuiApplication>
#include <QPushButton>
#include <QWidget>
#include <QWindow>
#include <xkbcommon/xkbcommon-x11.h>
// xcb's XKB header names a field "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace test;

constexpr std::uint32_t CtrlAlt = StoredCtrl | StoredAlt;

// The 47 keys of an ANSI main block as XKB names them.
const char* const mainBlock[] = {
    "TLDE", "AE01", "AE02", "AE03", "AE04", "AE05", "AE06", "AE07", "AE08", "AE09", "AE10", "AE11", "AE12",
    "AD01", "AD02", "AD03", "AD04", "AD05", "AD06", "AD07", "AD08", "AD09", "AD10", "AD11", "AD12", "BKSL",
    "AC01", "AC02", "AC03", "AC04", "AC05", "AC06", "AC07", "AC08", "AC09", "AC10", "AC11",
    "AB01", "AB02", "AB03", "AB04", "AB05", "AB06", "AB07", "AB08", "AB09", "AB10",
};

// The server's keycode of each place, read from its current keymap.
std::map<std::string, xcb_keycode_t> keycodesByPlace(XSession& s)
{
    std::map<std::string, xcb_keycode_t> codes;
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_x11_setup_xkb_extension(s.connection(), 1, 0, XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr,
                                nullptr, nullptr);
    const std::int32_t device = xkb_x11_get_core_keyboard_device_id(s.connection());
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context, s.connection(), device, XKB_KEYMAP_COMPILE_NO_FLAGS);
    for (const char* place : mainBlock)
        if (keymap)
            codes[place] = xcb_keycode_t(xkb_keymap_key_by_name(keymap, place));
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    return codes;
}

// A key by its keycode with a modifier pair held.
void pressWith(XSession& s, xcb_keysym_t first, xcb_keysym_t second, xcb_keycode_t code)
{
    key(s, first, true);
    key(s, second, true);
    fakeKey(s, code, true);
    fakeKey(s, code, false);
    key(s, second, false);
    key(s, first, false);
}

// Ctrl+Shift and a key: a combination no window manager of ours binds.
void pressWithCtrlShift(XSession& s, xcb_keycode_t code) { pressWith(s, ControlL, ShiftL, code); }
void pressWithCtrlAlt(XSession& s, xcb_keycode_t code) { pressWith(s, ControlL, AltL, code); }

// Locks the keyboard's group as a layout switcher does, and waits until the server has it.
bool lockGroup(XSession& s, std::uint8_t group)
{
    xcb_connection_t* c = s.connection();
    xcb_xkb_latch_lock_state(c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, group, 0, 0, 0);
    return s.waitFor([&] {
        xcb_xkb_get_state_reply_t* state = xcb_xkb_get_state_reply(c, xcb_xkb_get_state(c, XCB_XKB_ID_USE_CORE_KBD), nullptr);
        const bool locked = state && state->lockedGroup == group;
        free(state);
        return locked;
    });
}

TEST(KeyboardLayoutsX11, EveryMainBlockKeyIsNamedByACodeWhoseHotKeyLandsOnItUnderEachLayout)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    test::SessionApp app(session);
    // Characters a user of each layout looks for, by place.
    const std::vector<std::pair<QStringList, std::map<std::string, QString>>> layouts = {
        {{u"de"_qs}, {{"AE11", u"ß"_qs}, {"AD11", u"ü"_qs}, {"AC10", u"ö"_qs}, {"BKSL", u"#"_qs}, {"AD12", u"+"_qs},
                      {"AD06", u"z"_qs}, {"AB10", u"-"_qs}}},
        {{u"fr"_qs}, {{"AE01", u"&"_qs}, {"AE02", u"é"_qs}, {"AD01", u"a"_qs}, {"AC10", u"m"_qs}, {"AB07", u","_qs}}},
        {{u"ru"_qs}, {{"AB08", u"б"_qs}, {"AB09", u"ю"_qs}, {"AC10", u"ж"_qs}, {"TLDE", u"ё"_qs}, {"AB10", u"."_qs}}},
        {{u"us"_qs, u"dvorak"_qs}, {{"AD01", u"'"_qs}, {"AE11", u"["_qs}, {"AC10", u"s"_qs}, {"AD11", u"/"_qs}}},
        // The Russian group locked: keys are read as the French group has them.
        {{u"fr,ru"_qs}, {{"AE01", u"&"_qs}, {"AD01", u"a"_qs}, {"AC10", u"m"_qs}, {"AB07", u","_qs}}},
    };
    for (const auto& [layout, looked] : layouts) {
        SCOPED_TRACE(layout.join(u' ').toStdString());
        ASSERT_EQ(session.run(QStringList{u"setxkbmap"_qs} + layout), 0);
        if (layout.front().contains(u',')) {
            ASSERT_TRUE(lockGroup(session, 1));
        }
        const auto places = keycodesByPlace(session);
        X11GlobalHotKeys platform(session.display());
        std::vector<std::uint32_t> pressed, expected;
        platform.setHandler([&](std::uint32_t id) { pressed.push_back(id); });
        std::vector<HotKeyRef> refs;
        for (const auto& [place, keycode] : places) {
            const auto code = platform.keyCodeForKey(keycode);
            ASSERT_TRUE(code) << "no code names " << place;
            if (looked.count(place)) {
                EXPECT_EQ(platform.keyCharacters(*code), looked.at(place)) << place;
            }
            // One key a code: every one registers beside the others.
            const auto r = platform.registerHotKey(*code, StoredCtrl | StoredShift, keycode);
            ASSERT_EQ(r.status, HotKeyOk) << place << " (code " << *code << ") shares its key";
            refs.push_back(r.ref);
            pressWithCtrlShift(session, keycode);
            expected.push_back(keycode);
        }
        ASSERT_EQ(places.size(), 47u);
        EXPECT_TRUE(session.waitFor([&] { return pressed.size() >= expected.size(); }, 5000)) << pressed.size();
        EXPECT_EQ(pressed, expected) << "a hot key landed on another key than the one that named it";
        for (HotKeyRef ref : refs)
            platform.unregisterHotKey(ref);
    }
}

// Turkish and jp106 keyboards: the keys typing ı and i are labelled by the Turkish rule (I and
// İ, kept apart), and jp106's Yen key, which types a backslash as the key beside the right Shift
// does, is named by the same code, whose hot key fires from both.
TEST(KeyboardLayoutsX11, TurkishLabelsKeepIAndDottedIApartAndJp106sYenKeyIsABackslash)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    test::SessionApp app(session);
    ASSERT_EQ(session.run({u"setxkbmap"_qs, u"tr"_qs}), 0);
    MemoryDefaults defaults;
    X11GlobalHotKeys platform(session.display());
    HotKeys hotKeys(platform, defaults);
    hotKeys.installHandler();
    std::map<std::string, xcb_keycode_t> places = keycodesByPlace(session);
    const auto dotless = platform.keyCodeForKey(places["AD08"]), dotted = platform.keyCodeForKey(places["AC11"]);
    ASSERT_TRUE(dotless && dotted && *dotless != *dotted);
    EXPECT_EQ(platform.keyCharacters(*dotless), u"ı"_qs);
    EXPECT_EQ((KeyCombo{*dotless, CtrlAlt, {}}).displayString(), u"Ctrl+Alt+I"_qs);
    EXPECT_EQ((KeyCombo{*dotted, CtrlAlt, {}}).displayString(), u"Ctrl+Alt+İ"_qs);

    ASSERT_EQ(session.run({u"setxkbmap"_qs, u"-model"_qs, u"jp106"_qs, u"jp"_qs}), 0);
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context, session.connection(),
                                                        xkb_x11_get_core_keyboard_device_id(session.connection()),
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    ASSERT_TRUE(keymap);
    const auto yenKey = xcb_keycode_t(xkb_keymap_key_by_name(keymap, "AE13"));
    const auto roKey = xcb_keycode_t(xkb_keymap_key_by_name(keymap, "AB11"));
    xkb_keymap_unref(keymap);
    xkb_context_unref(context);
    ASSERT_TRUE(yenKey && roKey);
    ASSERT_TRUE(session.waitFor([&] { return platform.keyCodeForKey(roKey).has_value(); }));
    const auto backslash = platform.keyCodeForKey(roKey);
    EXPECT_EQ(platform.keyCharacters(*backslash), u"\\"_qs);
    EXPECT_EQ(platform.keyCodeForKey(yenKey), backslash) << "the Yen key is not recorded as a backslash";
    std::vector<std::uint32_t> pressed;
    platform.setHandler([&](std::uint32_t id) { pressed.push_back(id); });
    const auto r = platform.registerHotKey(*backslash, StoredCtrl | StoredShift, 1);
    ASSERT_EQ(r.status, HotKeyOk);
    pressWithCtrlShift(session, yenKey);
    pressWithCtrlShift(session, roKey);
    EXPECT_TRUE(session.waitFor([&] { return pressed.size() >= 2; }, 5000)) << pressed.size();
    platform.unregisterHotKey(r.ref);
    hotKeys.removeHandler();
}

// The shortcuts window as the shell wires it, on the hot keys of a real server, with its
// defaults in a file.
struct ShortcutsRig {
    ShortcutsRig(const XSession& s, const QString& path)
        : defaults(path), platform(s.display()), hotKeys(platform, defaults), window(defaults)
    {
        hotKeys.action = [this](std::uint32_t id) { ids.push_back(id); };
        hotKeys.installHandler();
        hotKeys.registerKeys();
        window.failures = [this] { return hotKeys.failures(); };
        window.onRecording = [this](bool on) { hotKeys.setSuspended(on); };
        window.onChange = [this] {
            hotKeys.reregister();
            window.refresh();
        };
        window.keyCodeForKey = [this](std::uint32_t key) { return platform.keyCodeForKey(key); };
        window.sameKey = [this](std::uint32_t a, std::uint32_t b) { return platform.sameKey(a, b); };
        window.holdKeyboard = [this](std::uint64_t w) { return platform.holdKeyboard(w); };
        window.releaseKeyboard = [this] { platform.releaseKeyboard(); };
    }
    QString keyTitle(ShortcutAction a) const { return window.keyButton(a)->text(); }

    FileDefaults defaults;
    X11GlobalHotKeys platform;
    HotKeys hotKeys;
    ShortcutsWindowController window;
    std::vector<std::uint32_t> ids;
};

TEST(KeyboardLayoutsX11, AShortcutRecordedOnAGermanKeyboardIsThePressedKeyAndWorksAfterARestart)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_EQ(session.run({u"setxkbmap"_qs, u"de"_qs}), 0);
    test::SessionApp app(session);
    const QString path = session.directory() + u"/shortcuts.json"_qs;
    constexpr xcb_keysym_t hash = 0x23, udiaeresis = 0xfc, odiaeresis = 0xf6, digit3 = 0x33, less = 0x3c;
    {
        ShortcutsRig rig(session, path);
        const bool digitsOurs = rig.hotKeys.registeredCount() == 17u;   // icewm holds Ctrl+Alt and the digits
        rig.window.show();
        // With the keyboard as the server has it: until then a recording's grab is refused as
        // not viewable and tried again, and keys typed meanwhile reach no window of ours.
        const QWindow* shown = rig.window.window()->windowHandle();
        ASSERT_TRUE(session.waitFor([&] {
            return QGuiApplication::focusWindow() == shown && session.hasKeyboard(xcb_window_t(shown->winId()));
        }, 10000)) << "the shortcuts window never had the keyboard";
        const auto typed = [&](xcb_keysym_t sym, const QString& hint) {
            chord(session, {ControlL, AltL, sym});
            return session.waitFor([&] { return rig.window.hint() == hint; }, 5000);
        };

        // Refused while another of our keys holds the combination: "#" needs Shift on a US
        // keyboard and must not be read as its "3"; ü is Previous's own key here.
        rig.window.keyButton(ShortcutAction::place)->click();
        if (digitsOurs) {
            EXPECT_TRUE(typed(digit3, u"Ctrl+Alt+3 is already Switch Layout 3."_qs)) << rig.window.hint().toStdString();
        }
        EXPECT_TRUE(typed(udiaeresis, u"Ctrl+Alt+Ü is already Previous Window in Stack."_qs))
            << rig.window.hint().toStdString();
        EXPECT_TRUE(typed(hash, QString())) << rig.window.hint().toStdString();
        EXPECT_EQ(rig.keyTitle(ShortcutAction::place), u"Ctrl+Alt+#"_qs);

        rig.window.keyButton(ShortcutAction::previous)->click();
        EXPECT_TRUE(typed(odiaeresis, QString())) << rig.window.hint().toStdString();
        rig.window.keyButton(ShortcutAction::stack)->click();
        EXPECT_TRUE(typed(udiaeresis, QString())) << rig.window.hint().toStdString();
        // The key between Shift and Y names no stored key: said so, and the recording goes on.
        rig.window.keyButton(ShortcutAction::next)->click();
        if (keycode(session, less)) {
            EXPECT_TRUE(typed(less, u"< can’t be part of a shortcut. Try another key."_qs))
                << rig.window.hint().toStdString();
        }
        EXPECT_EQ(rig.window.recorder().recording(), ShortcutAction::next);
        chord(session, {Escape});
        ASSERT_TRUE(session.waitFor([&] { return !rig.window.recorder().recording(); }, 5000));
        EXPECT_TRUE(rig.hotKeys.failures().empty());
    }

    // A new start reads the file: the codes of the US keys at those places, the labels of what
    // the keys type here, and each key working.
    ShortcutsRig rig(session, path);
    const ShortcutStore store(rig.defaults);
    EXPECT_EQ(store.combo(ShortcutAction::place), (KeyCombo{42, CtrlAlt, u"#"_qs}));
    EXPECT_EQ(store.combo(ShortcutAction::previous), (KeyCombo{41, CtrlAlt, u"Ö"_qs}));
    EXPECT_EQ(store.combo(ShortcutAction::stack), (KeyCombo{33, CtrlAlt, u"Ü"_qs}));
    EXPECT_EQ(rig.keyTitle(ShortcutAction::previous), u"Ctrl+Alt+Ö"_qs);
    EXPECT_TRUE(rig.hotKeys.failures().empty());
    for (xcb_keysym_t sym : {hash, odiaeresis, udiaeresis})
        chord(session, {ControlL, AltL, sym});
    ASSERT_TRUE(session.waitFor([&] { return rig.ids.size() >= 3; }, 5000)) << rig.ids.size();
    EXPECT_EQ(rig.ids, (std::vector<std::uint32_t>{6, 8, 5}));
}

TEST(KeyboardLayoutsX11, UnderGermanAndRussianTheHotKeysAndARecordingStayOnTheGermanKeysInBothGroups)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_EQ(session.run({u"setxkbmap"_qs, u"-layout"_qs, u"de,ru"_qs}), 0);
    test::SessionApp app(session);
    const auto places = keycodesByPlace(session);
    const xcb_keycode_t keyZ = places.at("AD06"), keyY = places.at("AB01");   // as printed on a German keyboard
    const QString path = session.directory() + u"/shortcuts.json"_qs;
    constexpr auto layouts = rawValue(ShortcutAction::layouts), restore = rawValue(ShortcutAction::restore);
    ASSERT_TRUE(lockGroup(session, 1)) << "the Russian group did not lock";
    {
        // Started in the Russian group: Open Layout Gallery is on the Z key and reads so; the Y key
        // (typing "я" here) fires nothing, the Z key's second press after it proving it did not.
        ShortcutsRig rig(session, path);
        rig.window.refresh();
        EXPECT_EQ(rig.keyTitle(ShortcutAction::layouts), u"Ctrl+Alt+Z"_qs);
        EXPECT_TRUE(rig.hotKeys.failures().empty());
        pressWithCtrlAlt(session, keyZ);
        ASSERT_TRUE(session.waitFor([&] { return !rig.ids.empty(); }, 5000)) << "the Z key fired nothing";
        pressWithCtrlAlt(session, keyY);
        pressWithCtrlAlt(session, keyZ);
        ASSERT_TRUE(session.waitFor([&] { return rig.ids.size() >= 2; }, 5000));
        EXPECT_EQ(rig.ids, (std::vector<std::uint32_t>{layouts, layouts}));

        // Recorded there: the Z key is Open Layout Gallery’s, the Y key is stored as the German Y.
        // Pressed once the window has the keyboard: a key pressed before goes nowhere.
        rig.window.show();
        const auto shown = xcb_window_t(rig.window.window()->winId());
        ASSERT_TRUE(session.waitFor([&] {
            return session.hasKeyboard(shown) && QGuiApplication::focusWindow() == rig.window.window()->windowHandle();
        }, 10000));
        rig.window.keyButton(ShortcutAction::restore)->click();
        pressWithCtrlAlt(session, keyZ);
        EXPECT_TRUE(session.waitFor([&] { return rig.window.hint() == u"Ctrl+Alt+Z is already Open Layout Gallery."_qs; }))
            << rig.window.hint().toStdString();
        pressWithCtrlAlt(session, keyY);
        ASSERT_TRUE(session.waitFor([&] { return !rig.window.recorder().recording(); }));
        EXPECT_EQ(ShortcutStore(rig.defaults).combo(ShortcutAction::restore), (KeyCombo{16, CtrlAlt, u"Y"_qs}));
        EXPECT_EQ(rig.keyTitle(ShortcutAction::restore), u"Ctrl+Alt+Y"_qs);

        // Back in the German group both keys fire as they did.
        rig.ids.clear();
        ASSERT_TRUE(lockGroup(session, 0));
        pressWithCtrlAlt(session, keyY);
        pressWithCtrlAlt(session, keyZ);
        ASSERT_TRUE(session.waitFor([&] { return rig.ids.size() >= 2; }, 5000)) << rig.ids.size();
        EXPECT_EQ(rig.ids, (std::vector<std::uint32_t>{restore, layouts}));
        EXPECT_EQ(rig.keyTitle(ShortcutAction::restore), u"Ctrl+Alt+Y"_qs);
    }

    // Restarted in the Russian group: the same keys, the same labels.
    ASSERT_TRUE(lockGroup(session, 1));
    ShortcutsRig rig(session, path);
    rig.window.refresh();
    EXPECT_EQ(rig.keyTitle(ShortcutAction::restore), u"Ctrl+Alt+Y"_qs);
    EXPECT_EQ(rig.keyTitle(ShortcutAction::layouts), u"Ctrl+Alt+Z"_qs);
    pressWithCtrlAlt(session, keyY);
    pressWithCtrlAlt(session, keyZ);
    ASSERT_TRUE(session.waitFor([&] { return rig.ids.size() >= 2; }, 5000)) << rig.ids.size();
    EXPECT_EQ(rig.ids, (std::vector<std::uint32_t>{restore, layouts}));
}

} // namespace
} // namespace fw
