// Screens and display keys on a real server: one wide screen split into two monitors.
#include "platform/qt/DevicePixels.h"
#include "platform/x11/MonitorNames.h"
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11Screens.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>
#include <xcb/randr.h>

#include <QFile>
#include <QGuiApplication>
#include <QSet>
#include <QRegularExpression>
#include <QScreen>

#include <map>
#include <string>

namespace fw {
namespace {

using test::XSession;

QByteArray sampleEdid(char serial)
{
    QByteArray e(128, '\0');
    const char header[] = {0, char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), char(0xff), 0};
    e.replace(0, 8, QByteArray(header, 8));
    e[8] = 0x10;   // manufacturer
    e[9] = 0xac;
    e[12] = serial;
    return e;
}

// An EDID of a maker (three letters) with a monitor-name descriptor in its second slot (the
// first holds the timing, as on real monitors), and its size in centimetres.
// A maker code that neither our names nor the system's PNP table (if any) know.
QByteArray unknownMakerCode()
{
    QSet<QByteArray> listed;
    for (const char* path : {"/usr/share/hwdata/pnp.ids", "/usr/share/misc/pnp.ids"}) {
        QFile file(QString::fromLatin1(path));
        if (file.open(QIODevice::ReadOnly)) {
            for (const QByteArray& line : file.readAll().split('\n'))
                listed.insert(line.left(3));
        }
    }
    for (char a = 'Z'; a >= 'A'; --a) {
        for (char b = 'Z'; b >= 'A'; --b) {
            const QByteArray code{QByteArray(1, a) + QByteArray(1, b) + QByteArray(1, 'Q')};
            if (!listed.contains(code))
                return code;
        }
    }
    return {};
}

QByteArray namedEdid(const char* pnp, const QByteArray& name, int widthCm = 60, int heightCm = 34)
{
    QByteArray e = sampleEdid(1);
    const unsigned code = unsigned(pnp[0] - 'A' + 1) << 10 | unsigned(pnp[1] - 'A' + 1) << 5 | unsigned(pnp[2] - 'A' + 1);
    e[8] = char(code >> 8);
    e[9] = char(code & 0xff);
    e[21] = char(widthCm);
    e[22] = char(heightCm);
    e[54] = 0x02;   // a detailed timing: not a descriptor
    e[55] = 0x3a;
    if (!name.isEmpty()) {
        QByteArray text = name.left(13);
        if (text.size() < 13)
            text += '\n' + QByteArray(12 - text.size(), ' ');
        e.replace(72, 18, QByteArray("\0\0\0\xfc\0", 5) + text);
    }
    return e;
}

// Puts an EDID on the server's only RandR output ("screen"), as a real monitor's driver does.
bool setEdid(XSession& session, const QByteArray& edid)
{
    xcb_connection_t* c = session.connection();
    auto* res = xcb_randr_get_screen_resources_current_reply(c, xcb_randr_get_screen_resources_current(c, session.root()),
                                                             nullptr);
    if (!res || xcb_randr_get_screen_resources_current_outputs_length(res) < 1) {
        free(res);
        return false;
    }
    const xcb_randr_output_t output = xcb_randr_get_screen_resources_current_outputs(res)[0];
    free(res);
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 4, "EDID"), nullptr);
    auto cookie = xcb_randr_change_output_property_checked(c, output, atom->atom, XCB_ATOM_INTEGER, 8,
                                                           XCB_PROP_MODE_REPLACE, edid.size(), edid.constData());
    free(atom);
    xcb_generic_error_t* err = xcb_request_check(c, cookie);
    free(err);
    return err == nullptr;
}

// The work area the window manager publishes; KWin publishes none while the screen is split
// into monitors, which stands for the whole screen.
std::optional<Rect> workAreaOf(XSession& session)
{
    const auto area = session.workArea();
    if (area || session.windowManager() != QLatin1String("kwin"))
        return area;
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(session.connection())).data;
    return Rect(0, 0, screen->width_in_pixels, screen->height_in_pixels);
}

TEST(X11Screens, TwoMonitorsGetTheirFramesVisibleFramesAndKeys)
{
    test::XSessionOptions options;
    options.width = 3200;
    options.height = 1080;
    XSession session(options);
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    test::SessionApp app(session);

    X11Screens screens;
    int changes = 0;
    screens.setChangeHandler([&] { ++changes; });
    auto list = screens.screens();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_TRUE(list[0].primary);
    EXPECT_FALSE(list[1].primary);
    const ScreenInfo* left = list[0].name == QStringLiteral("LEFT") ? &list[0] : &list[1];
    const ScreenInfo* right = left == &list[0] ? &list[1] : &list[0];
    EXPECT_EQ(left->name, QStringLiteral("LEFT"));
    EXPECT_EQ(right->name, QStringLiteral("RIGHT"));
    EXPECT_EQ(left->frame, Rect(0, 0, 1920, 1080));
    EXPECT_EQ(right->frame, Rect(1920, 0, 1280, 1024));
    // Visible frames: the monitors within the work area the WM publishes (icewm and fluxbox
    // keep a bar of their own at the bottom).
    std::optional<Rect> area;
    ASSERT_TRUE(session.waitFor([&] {
        area = workAreaOf(session);
        auto l = screens.screens();
        return area && l.size() == 2 && l[0].visibleFrame == l[0].frame.intersection(*area) &&
               l[1].visibleFrame == l[1].frame.intersection(*area);
    }));
    changes = 0;
    // Without EDID (Xvfb has none) the key is the monitor's name.
    EXPECT_EQ(left->key, QStringLiteral("LEFT"));
    EXPECT_EQ(right->key, QStringLiteral("RIGHT"));

    // A panel along the top of the whole screen takes its height from both visible frames,
    // whether or not the window manager's work area follows it (icewm's does not while the
    // screen is split into monitors); the handler hears of it. (A bar that states no strut,
    // fluxbox's, counts only while no window states one.)
    auto panel = session.startTestClient(QStringLiteral("panel"), {"--type", "dock", "--size", "3200x30", "--strut-top", "30"});
    ASSERT_TRUE(panel.window) << session.error();
    ASSERT_TRUE(session.waitFor([&] {
        list = screens.screens();
        left = list[0].name == QStringLiteral("LEFT") ? &list[0] : &list[1];
        right = left == &list[0] ? &list[1] : &list[0];
        return changes > 0 && left->visibleFrame.origin == Point{0, 30} && left->visibleFrame.width() == 1920
            && right->visibleFrame == Rect(1920, 30, 1280, 994);
    })) << toString(left->visibleFrame).toStdString() << ", " << toString(right->visibleFrame).toStdString();

    // With an EDID on its output, LEFT's key is the UUID form derived from it once the server
    // has told of the change, and it is shown by its maker and model; RIGHT has no output and
    // keeps its name and key.
    const QByteArray edid = namedEdid("DEL", "DELL U2720Q");
    ASSERT_TRUE(setEdid(session, edid));
    const auto at = [&](Point origin) {
        for (const ScreenInfo& s : screens.screens()) {
            if (s.frame.origin == origin)
                return s;
        }
        return ScreenInfo{};
    };
    EXPECT_TRUE(session.waitFor([&] { return at({0, 0}).key == X11Screens::displayKeyFromEdid(edid); }))
        << at({0, 0}).key.toStdString();
    EXPECT_EQ(at({0, 0}).name, QStringLiteral("Dell U2720Q"));
    EXPECT_EQ(at({1920, 0}).key, QStringLiteral("RIGHT"));
    EXPECT_EQ(at({1920, 0}).name, QStringLiteral("RIGHT"));
}

// At 150 % (Xft.dpi 144 read by Qt at start) the monitors are still RandR's device pixels, our
// windows' edge converts about each screen's own corner, and a dock on one monitor takes its
// space from that monitor only, following the dock as it moves to the inner edge of the other
// one and as it goes.
TEST(X11Screens, AtHighDensityMonitorsKeepDevicePixelsAndLoseOnlyTheirOwnDocks)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    ASSERT_TRUE(session.mergeResources("Xft.dpi: 144\n"));
    test::SessionApp app(session);
    ASSERT_EQ(QGuiApplication::primaryScreen()->devicePixelRatio(), 1.5);

    X11Screens screens;
    int changes = 0;
    screens.setChangeHandler([&] { ++changes; });
    const auto frames = [&] {
        std::map<QString, std::pair<Rect, Rect>> out;
        for (const ScreenInfo& s : screens.screens())
            out[s.name] = {s.frame, s.visibleFrame};
        return out;
    };
    const Rect leftFrame(0, 0, 1920, 1080), rightFrame(1920, 0, 1280, 1024);
    ASSERT_EQ(frames()[u"LEFT"_qs].first, leftFrame);
    ASSERT_EQ(frames()[u"RIGHT"_qs].first, rightFrame);
    for (const ScreenInfo& s : screens.screens())
        EXPECT_EQ(s.scale, 1.5) << s.name.toStdString() << ": what we draw there takes 1.5 device pixels a point";
    // Qt keeps RIGHT's corner at 1920 and divides what lies beyond it.
    EXPECT_EQ(DevicePixels::toLogical(Rect(2220, 150, 600, 300)), QRectF(2120, 100, 400, 200));
    EXPECT_EQ(DevicePixels::toDevice(QRectF(2120, 100, 400, 200)), Rect(2220, 150, 600, 300));
    EXPECT_EQ(DevicePixels::widgetGeometry(Rect(300, 0, 301, 1080)), QRect(200, 0, 201, 720));
    // The window manager's own bar (icewm's, fluxbox's) sits at the bottom of LEFT; nothing
    // stands on RIGHT.
    std::optional<Rect> area;
    ASSERT_TRUE(session.waitFor([&] {
        area = workAreaOf(session);
        return area && frames()[u"LEFT"_qs].second == leftFrame.intersection(*area)
            && frames()[u"RIGHT"_qs].second == rightFrame;
    })) << toString(frames()[u"RIGHT"_qs].second).toStdString();
    const Rect leftBefore = leftFrame.intersection(*area);
    // LEFT's top-left corner and width (its bottom is the window manager's bar's), RIGHT whole.
    const auto shown = [&](Point leftCorner, const Rect& right) {
        return session.waitFor([&] {
            auto now = frames();
            const Rect left = now[u"LEFT"_qs].second;
            return changes > 0 && left.origin == leftCorner && left.width() == 1920 && now[u"RIGHT"_qs].second == right;
        });
    };
    const auto both = [&] {
        auto now = frames();
        return toString(now[u"LEFT"_qs].second).toStdString() + ", " + toString(now[u"RIGHT"_qs].second).toStdString();
    };

    // A panel along the top of LEFT: LEFT starts below it, RIGHT keeps its top (window
    // managers cut their one work area for the whole screen).
    changes = 0;
    auto dock = session.startTestClient(u"top of left"_qs, {"--type", "dock", "--size", "1920x30", "--position", "0,0",
                                                           "--strut-partial", "0,0,30,0,0,0,0,0,0,1919,0,0"});
    ASSERT_TRUE(dock.window) << session.error();
    EXPECT_TRUE(shown({0, 30}, rightFrame)) << both();

    // Moved to the inner edge of RIGHT, 40 wide: RIGHT starts after it, LEFT is whole again
    // (the strut reaches over LEFT from the screen's left edge, but the dock stands on RIGHT).
    changes = 0;
    xcb_connection_t* c = session.connection();
    const std::uint32_t place[4] = {1920, 0, 40, 1024};
    xcb_configure_window(c, dock.window,
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y | XCB_CONFIG_WINDOW_WIDTH | XCB_CONFIG_WINDOW_HEIGHT, place);
    const std::uint32_t strut[12] = {1960, 0, 0, 0, 0, 1023, 0, 0, 0, 0, 0, 0};
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 21, "_NET_WM_STRUT_PARTIAL"), nullptr);
    ASSERT_TRUE(atom);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, dock.window, atom->atom, XCB_ATOM_CARDINAL, 32, 12, strut);
    free(atom);
    xcb_flush(c);
    EXPECT_TRUE(shown({0, 0}, Rect(1960, 0, 1240, 1024))) << both();

    // Gone: both as they were.
    changes = 0;
    ASSERT_TRUE(session.stop(dock.pid));
    EXPECT_TRUE(session.waitFor([&] {
        auto now = frames();
        return changes > 0 && now[u"LEFT"_qs].second == leftBefore && now[u"RIGHT"_qs].second == rightFrame;
    })) << both();
}

TEST(X11Screens, DisplayKeysFromEdid)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
        GTEST_SKIP() << *why;
    const QString key = X11Screens::displayKeyFromEdid(sampleEdid(1));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9A-F]{8}-[0-9A-F]{4}-5[0-9A-F]{3}-[89AB][0-9A-F]{3}-[0-9A-F]{12}$"))
                    .match(key)
                    .hasMatch())
        << key.toStdString();
    // Stable, specific to the monitor, and blind to extension blocks.
    EXPECT_EQ(X11Screens::displayKeyFromEdid(sampleEdid(1)), key);
    EXPECT_NE(X11Screens::displayKeyFromEdid(sampleEdid(2)), key);
    EXPECT_EQ(X11Screens::displayKeyFromEdid(sampleEdid(1) + QByteArray(128, 'x')), key);
    // Twins told apart by their connector.
    EXPECT_NE(X11Screens::displayKeyFromEdid(sampleEdid(1), QStringLiteral("DP-1")), key);
    EXPECT_NE(X11Screens::displayKeyFromEdid(sampleEdid(1), QStringLiteral("DP-1")),
              X11Screens::displayKeyFromEdid(sampleEdid(1), QStringLiteral("DP-2")));
    // Not an EDID: no key.
    EXPECT_TRUE(X11Screens::displayKeyFromEdid(QByteArray()).isEmpty());
    EXPECT_TRUE(X11Screens::displayKeyFromEdid(sampleEdid(1).left(127)).isEmpty());
    QByteArray broken = sampleEdid(1);
    broken[0] = 1;
    EXPECT_TRUE(X11Screens::displayKeyFromEdid(broken).isEmpty());
    EXPECT_TRUE(X11Screens::displayKeyFromEdid(broken, QStringLiteral("DP-1")).isEmpty());
}

// Displays are shown by maker and model as desktop settings show them, else by connector,
// else by their place; twins are numbered; anything that is no EDID names nothing.
TEST(X11Screens, DisplayNamesFromEdidConnectorOrPlace)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
        GTEST_SKIP() << *why;
    EXPECT_EQ(monitorNameFromEdid(namedEdid("DEL", "DELL U2720Q")), "Dell U2720Q") << "the maker not said twice";
    EXPECT_EQ(monitorNameFromEdid(namedEdid("SAM", "U28E590")), "Samsung U28E590");
    EXPECT_EQ(monitorNameFromEdid(namedEdid("GSM", "LG ULTRAFINE")), "LG ULTRAFINE");
    EXPECT_EQ(monitorNameFromEdid(namedEdid("GSM", "27GL850")), "LG 27GL850") << "the name people know, not pnp.ids'";
    EXPECT_EQ(monitorNameFromEdid(namedEdid("LEN", "")), "Lenovo 27″") << "no name: the diagonal";
    EXPECT_EQ(monitorNameFromEdid(namedEdid("LEN", "", 0, 0)), "Lenovo");
    const QByteArray unknown = unknownMakerCode();
    ASSERT_FALSE(unknown.isEmpty());
    EXPECT_EQ(monitorNameFromEdid(namedEdid(unknown.constData(), "Q1")), QString::fromLatin1(unknown) + u" Q1"_qs);
    EXPECT_EQ(monitorMaker(QString::fromLatin1(unknown)), QString::fromLatin1(unknown)) << "an unknown code stands for itself";
    EXPECT_EQ(monitorNameFromEdid(namedEdid("DEL", "ABCDEFGHIJKLMNOP")), "Dell ABCDEFGHIJKLM") << "13 characters";
    EXPECT_TRUE(monitorNameFromEdid(QByteArray()).isEmpty());
    EXPECT_TRUE(monitorNameFromEdid(namedEdid("DEL", "U2720Q").left(127)).isEmpty());
    QByteArray noMaker = namedEdid("DEL", "U2720Q");
    noMaker[8] = noMaker[9] = 0;
    EXPECT_TRUE(monitorNameFromEdid(noMaker).isEmpty()) << "letters out of range";

    const QByteArray dell = namedEdid("DEL", "DELL U2720Q");
    EXPECT_EQ(monitorNames({{dell, u"DP-1"_qs}, {QByteArray(), u"HDMI-1"_qs}, {dell, u"DP-2"_qs},
                            {QByteArray(), u"screen"_qs}, {noMaker, u"eDP-1"_qs}}),
              (std::vector<QString>{u"Dell U2720Q (1)"_qs, u"HDMI-1"_qs, u"Dell U2720Q (2)"_qs, u"Display 4"_qs,
                                    u"eDP-1"_qs}));
    EXPECT_EQ(monitorNames({{QByteArray(), u"screen"_qs}}), std::vector<QString>{u"Display 1"_qs})
        << "a virtual server's one output";
}

TEST(X11Permissions, AlwaysGrantedAndNothingToReset)
{
    if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
        GTEST_SKIP() << *why;
    X11Permissions p;
    EXPECT_TRUE(p.windowControlGranted(false));
    EXPECT_TRUE(p.windowControlGranted(true));
    EXPECT_TRUE(p.windowPreviewsGranted());
    EXPECT_FALSE(p.resetWindowControl());
    // With a PATH holding no settings tool, nothing opens.
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", "/nonexistent");
    EXPECT_FALSE(p.openSettings(QStringLiteral("windowControl")));
    qputenv("PATH", path);
}

} // namespace
} // namespace fw
