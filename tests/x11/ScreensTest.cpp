// Screens and display keys on a real server: one wide screen split into two monitors.
#include "platform/x11/X11Permissions.h"
#include "platform/x11/X11Screens.h"
#include "x11/XSession.h"

#include <gtest/gtest.h>
#include <xcb/randr.h>

#include <QRegularExpression>

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
        area = session.workArea();
        auto l = screens.screens();
        return area && l.size() == 2 && l[0].visibleFrame == l[0].frame.intersection(*area) &&
               l[1].visibleFrame == l[1].frame.intersection(*area);
    }));
    changes = 0;
    // Without EDID (Xvfb has none) the key is the monitor's name.
    EXPECT_EQ(left->key, QStringLiteral("LEFT"));
    EXPECT_EQ(right->key, QStringLiteral("RIGHT"));

    // A panel along the top shrinks both visible frames; the handler hears of it once per change.
    auto panel = session.startTestClient(QStringLiteral("panel"), {"--type", "dock", "--size", "3200x30", "--strut-top", "30"});
    ASSERT_TRUE(panel.window) << session.error();
    ASSERT_TRUE(session.syncWithWindowManager());
    const auto panelArea = session.workArea();
    ASSERT_TRUE(panelArea);
    if (session.windowManager() != QLatin1String("icewm")) {
        EXPECT_EQ(panelArea->y(), 30) << "icewm alone ignores struts while the screen is split into monitors";
    }
    ASSERT_TRUE(session.waitFor([&] {
        auto l = screens.screens();
        return (changes > 0 || panelArea == area) && l.size() == 2 &&
               l[0].visibleFrame == l[0].frame.intersection(*panelArea) && l[1].visibleFrame == l[1].frame.intersection(*panelArea);
    })) << toString(screens.screens()[0].visibleFrame).toStdString() << ", work area " << toString(*panelArea).toStdString();
    list = screens.screens();
    left = list[0].name == QStringLiteral("LEFT") ? &list[0] : &list[1];
    right = left == &list[0] ? &list[1] : &list[0];
    EXPECT_EQ(left->visibleFrame, left->frame.intersection(*panelArea));
    EXPECT_EQ(right->visibleFrame, right->frame.intersection(*panelArea));

    // With an EDID on its output, LEFT's key is the UUID form derived from it once the server
    // has told of the change; RIGHT has no output.
    ASSERT_TRUE(setEdid(session, sampleEdid(7)));
    const auto keyOf = [&](const QString& name) {
        for (const ScreenInfo& s : screens.screens()) {
            if (s.name == name)
                return s.key;
        }
        return QString();
    };
    EXPECT_TRUE(session.waitFor([&] { return keyOf(QStringLiteral("LEFT")) == X11Screens::displayKeyFromEdid(sampleEdid(7)); }))
        << keyOf(QStringLiteral("LEFT")).toStdString();
    EXPECT_EQ(keyOf(QStringLiteral("RIGHT")), QStringLiteral("RIGHT"));
}

TEST(X11Screens, DisplayKeysFromEdid)
{
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

TEST(X11Permissions, AlwaysGrantedAndNothingToReset)
{
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
