// The program as a user starts it, on a real server (Xvfb, openbox, trayer as the tray host,
// two monitors), with its own HOME and XDG directories: its icon is embedded in the tray; a
// title-bar drag of an xterm to the right monitor's top centre and a release over a region
// places it; a window opened over it makes a stack that wears our badge until it closes; the
// "place" key on the focused xterm opens the picker, Return places the xterm, and Escape then
// ends snap assist without moving it; a second copy ends with status 0 and the first one opens
// its Getting Started window; SIGTERM ends it with status 0 and leaves no grab behind. Its
// keys follow a keyboard layout switched while it runs. A first run plays the welcome video
// in the helper program: its pictures arrive, and no media library ever enters ours; no
// descriptor the program opened stays open across an exec. Stored
// custom layouts it cannot read stay in the settings file; broken ones are told at the start.
#include "layout/ScreenGeometry.h"
#include "layout/SnapLayout.h"
#include "onboarding/ProductInfo.h"
#include "snap/AppliedLayouts.h"
#include "platform/x11/X11WindowSystem.h"
#include "snap/PickerGeometry.h"
#include "x11/DragSteps.h"
#include "x11/FakeKeys.h"
#include "x11/ProcessDescriptors.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>

#include <gtest/gtest.h>

#include <algorithm>

#include <csignal>

// xcb's XKB header names a field "explicit", which C++ reserves.
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

#ifndef FW_TEST_DATA
#define FW_TEST_DATA "tests/data"
#endif

namespace fw {
namespace {

using test::XSession;
using namespace test;

constexpr std::uint16_t CtrlAltMask = XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1;

TEST(ProgramX11, StartsInTheTrayPlacesWindowsRefusesASecondCopyAndEndsCleanly)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    if (!session.titleBars())
        GTEST_SKIP() << "no title bars to drag under " << session.windowManager().toStdString();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    ASSERT_TRUE(startTrayHost(session)) << "trayer did not start: " << session.error();
    // Another window on the right monitor, which snap assist offers once the xterm is placed.
    auto other = session.startTestClient(u"offered"_qs, {"--size", "400x300", "--position", "2700,650"});
    auto term = session.startXterm(u"place me"_qs, {u"-geometry"_qs, u"80x24+2100+300"_qs});
    ASSERT_TRUE(other.window && term.window) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term.window; })) << "xterm never became active";

    ASSERT_TRUE(openedBefore(session));
    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return trayIconEmbedded(session); }, 10000))
        << "no tray icon; the program said:\n" << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, kProgramStartMs));

    // A title-bar drag to the top centre of the right monitor: the picker hangs there; over
    // "Halves" region 1 its preview shows, and the release puts the xterm there.
    const ScreenInfo right{u"RIGHT"_qs, u"RIGHT"_qs, Rect(1920, 0, 1280, 1024), Rect(1920, 0, 1280, 1024), false};
    const Rect visible = topLeftVisibleFrame(right);
    const PickerGeometry geometry = PickerGeometry::make(SnapLayout::builtIns(), false, pickerWidth(visible));
    const Rect panel = pickerFrame(visible, geometry.width, geometry.height);
    ASSERT_TRUE(test::startTitleBarDrag(session, term.window));
    test::glideTo(session, {visible.midX(), visible.minY() + 6}, 24);
    ASSERT_TRUE(session.waitFor([&] { return programPanelAt(session, panel); }))
        << "no picker at " << toString(panel).toStdString() << "; shown: " << programPanels(session) << "\n"
        << programLog(session).toStdString();
    const Rect button = geometry.cards.front().regions.at(1);
    const Rect halfRight = regionFrames(SnapLayout::builtIns().front(), right).at(1);
    test::glideTo(session, {panel.minX() + button.midX(), panel.minY() + button.midY()}, 6);
    ASSERT_TRUE(session.waitFor([&] { return programPanelAt(session, halfRight); })) << "no preview of region 1";
    session.releaseButton(1);
    auto onGrid = [&](const Rect& target) {
        const auto f = session.wmFrame(term.window);
        return f && f->origin == target.origin && f->width() <= target.width() && target.width() - f->width() < 20
            && f->height() <= target.height() && target.height() - f->height() < 30;
    };
    // Placed and recorded: snap assist offers the other window over the empty left half.
    const Rect halfLeft = regionFrames(SnapLayout::builtIns().front(), right).at(0);
    ASSERT_TRUE(session.waitFor([&] { return onGrid(halfRight) && programPanelAt(session, halfLeft, true); }, 10000))
        << "panels: " << programPanels(session) << "; xterm at " << (session.wmFrame(term.window) ? toString(*session.wmFrame(term.window)).toStdString() : "?")
        << ", asked for " << toString(halfRight).toStdString() << "\n" << programLog(session).toStdString();

    // The place key on the focused xterm, then Return in the picker: the left half of the
    // right monitor, on the xterm's cell grid (the pointer away from the picker, whose hover
    // would choose the region under it).
    // A click in the xterm first: it takes the focus back, and the press ends snap assist.
    session.warpPointer(int(halfRight.midX()), int(halfRight.midY()));
    session.pressButton(1);
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term.window && !programPanelAt(session, halfLeft, true); }))
        << "panels: " << programPanels(session);

    // A window opened over the placed xterm stacks with it: the stack's badge shows, and goes
    // with the window.
    X11WindowSystem ws(session.display());
    ws.setWriteTimeout(5000);   // its write is read back at once: it waits for the WM's answer
    const auto placed = ws.frame(term.window);
    const auto content = contentRect(session, term.window);
    ASSERT_TRUE(placed && content);
    auto mate = session.startTestClient(
        u"stack me"_qs, {u"--size"_qs, u"%1x%2"_qs.arg(content->width()).arg(content->height()), u"--position"_qs,
                         u"%1,%2"_qs.arg(placed->x()).arg(placed->y())});
    ASSERT_TRUE(mate.window) << session.error();
    // Window managers read a new window's position their own way (pekwm takes it for the
    // client's, below its title bar): it is put where asked once it shows.
    ASSERT_TRUE(ws.setFrame(mate.window, *placed));
    ASSERT_TRUE(session.waitFor([&] { return ws.frame(mate.window) == placed; }))
        << toString(ws.frame(mate.window).value_or(Rect())).toStdString() << " for " << toString(*placed).toStdString();
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell stack badge"_qs); }, 10000))
        << "panels: " << programPanels(session) << "\n" << programLog(session).toStdString();
    session.terminate(mate.pid);
    EXPECT_TRUE(session.waitFor([&] { return !programWindowShown(session, u"Framewell stack badge"_qs); }, 10000));
    session.warpPointer(int(halfRight.midX()), int(halfRight.midY()));
    session.pressButton(1);
    session.releaseButton(1);
    ASSERT_TRUE(session.waitFor([&] { return session.activeWindow() == term.window; }));
    session.warpPointer(600, 600);
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        << "the picker did not take the keyboard";
    chord(session, {Return});
    EXPECT_TRUE(session.waitFor([&] { return onGrid(halfLeft); }, 10000))
        << "xterm at " << (session.wmFrame(term.window) ? toString(*session.wmFrame(term.window)).toStdString() : "?")
        << ", asked for " << toString(halfLeft).toStdString() << "\n" << programLog(session).toStdString();
    // Once placed, snap assist offers the other window over the right half; Escape only ends
    // it: the panels go and the xterm stays where Return put it.
    ASSERT_TRUE(session.waitFor([&] { return programPanelAt(session, halfRight, true); }, 10000))
        << "panels: " << programPanels(session);
    const Rect left = *session.wmFrame(term.window);
    chord(session, {Escape});
    EXPECT_TRUE(session.waitFor([&] { return !programPanelAt(session, halfRight, true); })) << programPanels(session);
    EXPECT_EQ(session.waitForFrameChange(term.window, left, 1000), std::nullopt)
        << "Escape moved the xterm\n" << programLog(session).toStdString();

    // A second copy ends with status 0; the first stays and opens Getting Started.
    const pid_t second = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(second);
    EXPECT_EQ(session.waitForExit(second, 10000), std::optional<int>(0));
    EXPECT_EQ(::kill(program, 0), 0) << "the first copy ended";
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 10000))
        << "no Getting Started window";

    // SIGTERM: a clean end, and the keys are free for the next client.
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();
    EXPECT_TRUE(keyFree(session, keycode(session, LetterP), CtrlAltMask)) << "Ctrl+Alt+P is still grabbed";
    EXPECT_FALSE(trayIconEmbedded(session));
}

TEST(ProgramX11, ALayoutSwitchedWhileItRunsMovesItsKeysToTheirCharacters)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto term = session.startXterm(u"typist"_qs, {u"-geometry"_qs, u"80x24+300+300"_qs});
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window));
    ASSERT_TRUE(openedBefore(session));
    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, kProgramStartMs))
        << programLog(session).toStdString();

    // As a layout switcher does: German, where Z and Y trade places.
    const xcb_keycode_t usZ = keycode(session, LetterZ);
    ASSERT_EQ(session.run({u"setxkbmap"_qs, u"de"_qs}), 0);
    ASSERT_TRUE(session.waitFor([&] { return keycode(session, LetterZ) != usZ; }));
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Keyboard layout changed"_qs); }, 10000))
        << programLog(session).toStdString();
    chord(session, {ControlL, AltL, LetterZ});
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        << "Ctrl+Alt+Z did not open the picker; the focus is on \""
        << session.windowTitle(session.inputFocus()).toStdString() << "\"\n"
        << programLog(session).toStdString();
    // The key that typed "z" before types "y" now, and is no longer ours: it reaches the
    // focused window.
    const xcb_keycode_t deZ = keycode(session, LetterZ);
    EXPECT_TRUE(keyFree(session, usZ, CtrlAltMask)) << "the old key is still grabbed";
    EXPECT_FALSE(keyFree(session, deZ, CtrlAltMask));
    chord(session, {Escape});
    ASSERT_TRUE(session.waitFor([&] { return !wmClass(session, session.inputFocus()).contains("framewell"); }));

    // Two layouts, switched as a layout indicator does, by locking the second group: the keys
    // move back.
    ASSERT_EQ(session.run({u"setxkbmap"_qs, u"-layout"_qs, u"de,us"_qs}), 0);
    const auto changes = [&] { return programLog(session).count(u"Keyboard layout changed"_qs); };
    const qsizetype before = changes();
    xcb_connection_t* c = session.connection();
    xcb_generic_error_t* error = nullptr;
    xcb_xkb_use_extension_reply_t* xkb = xcb_xkb_use_extension_reply(c, xcb_xkb_use_extension(c, 1, 0), &error);
    free(error);
    ASSERT_TRUE(xkb && xkb->supported);
    free(xkb);
    xcb_xkb_latch_lock_state(c, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, 1, 0, 0, 0);
    xcb_flush(c);
    ASSERT_TRUE(session.waitFor([&] { return changes() > before; }, 10000)) << programLog(session).toStdString();
    EXPECT_TRUE(keyFree(session, deZ, CtrlAltMask)) << "the German key is still grabbed";
    key(session, ControlL, true);
    key(session, AltL, true);
    fakeKey(session, usZ, true);
    fakeKey(session, usZ, false);
    key(session, AltL, false);
    key(session, ControlL, false);
    EXPECT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        << "Ctrl+Alt+Z in the second group did not open the picker\n" << programLog(session).toStdString();
    // No action's key failed (icewm's workspace keys hold the layout keys: said in lines of
    // their own).
    const QStringList failed = programLog(session).split(u'\n').filter(u"Registration failed"_qs);
    EXPECT_TRUE(std::all_of(failed.begin(), failed.end(), [](const QString& line) {
        return line.contains(u"Registration failed: Ctrl+Alt+1"_qs);
    })) << programLog(session).toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

// Under pekwm as it ships, its key chains hold Ctrl+Alt+P, A and S: the program says so once at
// its start, naming the three keys and where to change them, and neither registering its keys
// again for a new keyboard layout nor a second start says it again.
TEST(ProgramX11, UnderPekwmAsItShipsTheKeysItHoldsAreToldOnce)
{
    XSession session(XSessionOptions{.windowManagerName = u"pekwm"_qs, .stockKeys = true});
    if (!session.ok() && session.error().find("not installed") != std::string::npos)
        GTEST_SKIP() << session.error();
    ASSERT_TRUE(session.ok()) << session.error();
    const QString told = u"Ctrl+Alt+P, Ctrl+Alt+A and Ctrl+Alt+S are in use elsewhere, so Framewell can’t use them. "
                         u"Choose other keys in Shortcuts…"_qs;
    pid_t program = startProgram(session);
    ASSERT_TRUE(program) << session.error() << programLog(session).toStdString();
    EXPECT_EQ(programLog(session).count(told), 1) << programLog(session).toStdString();

    ASSERT_EQ(session.run({u"setxkbmap"_qs, u"de"_qs}), 0);
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Keyboard layout changed"_qs); }, 10000))
        << programLog(session).toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
    program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).count(u"Framewell started"_qs) == 2; }, kProgramStartMs))
        << programLog(session).toStdString();
    EXPECT_EQ(programLog(session).count(told), 1) << programLog(session).toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

// The media libraries a process has mapped (the video's decoders, the sound server's client,
// the software OpenGL they bring).
QStringList mediaLibraries(pid_t pid)
{
    QFile maps(u"/proc/%1/maps"_qs.arg(pid));
    QStringList found;
    if (!maps.open(QIODevice::ReadOnly))
        return {u"unreadable maps"_qs};
    for (const QByteArray& line : maps.readAll().split('\n')) {
        const QString path = QString::fromUtf8(line.mid(line.lastIndexOf(' ') + 1));
        if (path.contains(u"Multimedia"_qs) || path.contains(u"libgst"_qs) || path.contains(u"libpulse"_qs)
            || path.contains(u"libLLVM"_qs))
            found.append(path);
    }
    found.removeDuplicates();
    return found;
}

QString childProcesses(pid_t pid)
{
    QFile f(u"/proc/%1/task/%1/children"_qs.arg(pid));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).trimmed() : QString();
}

TEST(ProgramX11, AFirstRunPlaysTheWelcomeVideoInTheHelperAndKeepsNoMediaLibrary)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    session.addEnvironment("FRAMEWELL_WELCOME_VIDEO=" FW_TEST_DATA "/welcome-test.mp4");
    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 10000))
        << "no Getting Started window\n" << programLog(session).toStdString();
    const QRegularExpression played(u"Welcome video: (\\d+) pictures, played to its end"_qs);
    QRegularExpressionMatch match;
    ASSERT_TRUE(session.waitFor([&] { return (match = played.match(programLog(session))).hasMatch(); }, 15000))
        << programLog(session).toStdString();
    EXPECT_GT(match.captured(1).toInt(), 0) << "no picture reached the program";
    EXPECT_TRUE(session.waitFor([&] { return childProcesses(program).isEmpty(); }))
        << "the helper outlived its video: " << childProcesses(program).toStdString();
    EXPECT_EQ(mediaLibraries(program), QStringList()) << "mapped in the program";
    const QRegularExpression mediaTalk(u"pulse|multimedia|gstreamer|ffmpeg|libav"_qs,
                                       QRegularExpression::CaseInsensitiveOption);
    EXPECT_FALSE(mediaTalk.match(programLog(session)).hasMatch())
        << "the media libraries spoke on the console:\n" << programLog(session).toStdString();
    EXPECT_TRUE(programWindowShown(session, u"Framewell"_qs)) << "Getting Started went with the video";
    // Nothing the program opened would pass on to a program it starts (what it inherited from
    // this one is not its own).
    std::map<int, std::string> opened = descriptorsKeptOnExec(program);
    for (const auto& inherited : descriptorsKeptOnExec(::getpid()))
        std::erase_if(opened, [&](const auto& kept) { return kept == inherited; });
    EXPECT_EQ(opened, (std::map<int, std::string>{}));
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

// A returning user's custom layouts: one written by a newer version (a tree this one does not
// know) stays in the file, untouched and in its place; one that is no layout at all is dropped,
// and the user is told as the program starts.
TEST(ProgramX11, AStoredLayoutItCannotReadStaysAndABrokenOneIsTold)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QJsonValue grid = QJsonObject{{"id", "user-grid"}, {"name", "Grid"},
                                        {"tree", QJsonObject{{"grid", QJsonObject{{"columns", 3}, {"rows", 2}}}}}};
    const QJsonValue quad = SnapLayout{u"user-quad"_qs, u"Quad"_qs, SnapLayout::builtIns().back().tree, std::nullopt}.toJson();
    const QJsonObject stored{{"hasOpened", true},
                             {"welcomeVideoShown", true},
                             {"lastSeenVersion", productVersion()},
                             {"customLayouts.v1", QJsonObject{{"SOME-DISPLAY", QJsonArray{42, grid, quad}}}}};
    const QString config = session.directory() + u"/config/framewell"_qs;
    QFile file(config + u"/defaults.json"_qs);
    ASSERT_TRUE(QDir().mkpath(config) && file.open(QIODevice::WriteOnly));
    file.write(QJsonDocument(stored).toJson());
    file.close();

    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, kProgramStartMs))
        << programLog(session).toStdString();
    EXPECT_TRUE(programLog(session).contains(
        u"A saved custom layout couldn’t be read and was removed. Your other layouts are kept."_qs))
        << programLog(session).toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QJsonObject written = QJsonDocument::fromJson(file.readAll()).object();
    EXPECT_EQ(written.value("customLayouts.v1").toObject().value("SOME-DISPLAY"), (QJsonArray{grid, quad}));
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

// A build naming no vendor host, on a fresh profile without a local video: Getting Started
// opens on its main page at once, and no player starts for a video that no host serves. The
// settings path is a dotfile manager's link, made before this first run, to a file in the home
// not made yet: a first run all the same, and the settings go where the link leads.
TEST(ProgramX11, AFirstRunWithoutAVideoSourceOpensGettingStartedOnItsPage)
{
    if (!vendorHost().isEmpty())
        GTEST_SKIP() << "this build names a vendor host";
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QString config = session.directory() + u"/config/framewell"_qs;
    const QString dotfile = session.directory() + u"/home/dotfiles/framewell/defaults.json"_qs;
    ASSERT_TRUE(QDir().mkpath(config));
    ASSERT_TRUE(QFile::link(dotfile, config + u"/defaults.json"_qs));
    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 10000))
        << "no Getting Started window\n" << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, kProgramStartMs));
    EXPECT_TRUE(session.waitFor([&] {
        QFile file(dotfile);
        return file.open(QIODevice::ReadOnly) && QJsonDocument::fromJson(file.readAll()).object().value("hasOpened") == true;
    })) << "nothing written where the link leads\n" << programLog(session).toStdString();
    EXPECT_EQ(QFileInfo(config + u"/defaults.json"_qs).symLinkTarget(), dotfile);
    session.waitFor([] { return false; }, 500);
    EXPECT_EQ(childProcesses(program), QString()) << "a video player started";
    EXPECT_FALSE(programLog(session).contains(u"Welcome video"_qs)) << programLog(session).toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

} // namespace
} // namespace fw
