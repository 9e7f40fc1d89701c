// Which application a window is, as the program shows it on a real server: a window whose
// desktop entry's name differs from its WM_CLASS is named by the entry, in the session's
// language (GNOME Calculator's too); two windows of one process, each of its own entry, are
// drawn each with its entry's icon; a window of no entry is drawn in snap assist with the
// largest picture it publishes in _NET_WM_ICON, not a letter. And the window port's read of
// those pictures, which any client writes: bounded, a picture too large to draw stepped over
// wherever it comes, malformed ones left out, premultiplied.
#include "platform/x11/X11WindowSystem.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/ScreenPhotos.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace fw {
namespace {

using namespace test;

bool writeEntryFile(const QString& path, const QByteArray& text)
{
    QFile f(path);
    return QDir().mkpath(QFileInfo(path).absolutePath()) && f.open(QIODevice::WriteOnly) && f.write(text) == text.size();
}

// A square picture file of one colour, for an entry's Icon=.
QByteArray iconFile(const QString& path, QRgb rgb)
{
    QImage image(64, 64, QImage::Format_ARGB32);
    image.fill(rgb);
    return image.save(path) ? QFile::encodeName(path) : QByteArray();
}

// Sets a window's WM_CLASS as its client would.
void setWmClass(XSession& session, xcb_window_t w, const QByteArray& instance, const QByteArray& cls)
{
    const QByteArray value = instance + '\0' + cls + '\0';
    xcb_connection_t* c = session.connection();
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8, std::uint32_t(value.size()),
                        value.constData());
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));   // the write is done
}

// How many pixels of the photograph are exactly this colour.
int photoPixelsOf(const QImage& photo, QRgb rgb)
{
    int n = 0;
    for (int y = 0; y < photo.height(); ++y)
        for (int x = 0; x < photo.width(); ++x)
            n += (photo.pixel(x, y) & 0xffffff) == (rgb & 0xffffff);
    return n;
}

// How many pixels of this colour our windows on screen show, all together.
int programPixelsOf(XSession& session, QRgb rgb)
{
    int n = 0;
    for (xcb_window_t w : programWindows(session)) {
        if (const auto content = contentRect(session, w))
            n += photoPixelsOf(rootArea(session, *content), rgb);
    }
    return n;
}

// The program as a user who has opened it before starts it, with --diagnostics: its pid once it
// started, else 0.
pid_t startWithDiagnostics(XSession& session) { return startProgram(session, {}, {u"--diagnostics"_qs}); }

// How many windows the program found at its start, by the name it shows for them (its
// diagnostics); empty when it wrote none.
QJsonObject windowsByApp(XSession& session)
{
    QFile diagnostics(session.directory() + u"/runtime/framewell/Framewell-diagnostics.json"_qs);
    if (!session.waitFor([&] { return diagnostics.exists(); }, 10000) || !diagnostics.open(QIODevice::ReadOnly))
        return {};
    return QJsonDocument::fromJson(diagnostics.readAll()).object()[u"windowCountsByApp"_qs].toObject();
}

TEST(AppIdentityX11, WindowsAreNamedByTheirEntryAndDrawnWithTheIconTheyPublish)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    // An entry of the user's naming the class of one client, in German too; the session's
    // messages are German.
    ASSERT_TRUE(writeEntryFile(session.directory() + u"/data/applications/named-tool.desktop"_qs,
                          "[Desktop Entry]\nType=Application\nName=Named Tool\nName[de]=Benanntes Werkzeug\n"
                          "Exec=true\nStartupWMClass=NamedTool\n"));
    session.addEnvironment("LC_MESSAGES=de_DE.UTF-8");
    // One process shows a window of each of two entries, as an office suite does its documents';
    // both windows publish one picture of the process's own.
    const QByteArray red = iconFile(session.directory() + u"/writer.png"_qs, qRgb(255, 0, 0));
    const QByteArray blue = iconFile(session.directory() + u"/calc.png"_qs, qRgb(0, 0, 255));
    ASSERT_TRUE(!red.isEmpty() && !blue.isEmpty());
    ASSERT_TRUE(writeEntryFile(session.directory() + u"/data/applications/suite-writer.desktop"_qs,
                               "[Desktop Entry]\nType=Application\nName=Suite Writer\nExec=suite --writer\n"
                               "StartupWMClass=suite-writer\nIcon=" + red + "\n"));
    ASSERT_TRUE(writeEntryFile(session.directory() + u"/data/applications/suite-calc.desktop"_qs,
                               "[Desktop Entry]\nType=Application\nName=Suite Calc\nExec=suite --calc\n"
                               "StartupWMClass=suite-calc\nIcon=" + blue + "\n"));
    auto suite = session.startTestClient(u"suite"_qs, {u"--count"_qs, u"2"_qs, u"--class"_qs, u"suite,suite-writer"_qs,
                                                       u"--icon"_qs, u"32x32:ffff00"_qs, u"--size"_qs, u"400x300"_qs,
                                                       u"--position"_qs, u"1300,100"_qs});
    ASSERT_TRUE(suite.window) << session.error();
    const xcb_window_t calc = session.waitForWindow(u"suite 1"_qs, suite.pid);
    ASSERT_NE(calc, XCB_NONE) << session.error();
    setWmClass(session, calc, "suite", "suite-calc");
    // The other client has no entry; it publishes a small green picture and a larger magenta one.
    // Drawn from the small one, the icon would show no magenta.
    auto iconic = session.startTestClient(u"iconic window"_qs, {u"--class"_qs, u"iconic,Iconic"_qs, u"--icon"_qs,
                                                                u"16x16:00ff00,64x64:ff00ff"_qs, u"--size"_qs,
                                                                u"500x400"_qs, u"--position"_qs, u"1250,350"_qs});
    auto named = session.startTestClient(u"named window"_qs, {u"--class"_qs, u"namedtool,NamedTool"_qs, u"--size"_qs,
                                                              u"600x400"_qs, u"--position"_qs, u"250,300"_qs});
    ASSERT_TRUE(iconic.window && named.window) << session.error();
    ASSERT_TRUE(session.activate(named.window)) << "the named window never became active";

    const pid_t program = startWithDiagnostics(session);
    ASSERT_TRUE(program) << session.error() << programLog(session).toStdString();

    // The windows the program found at its start, by the names it shows for them.
    const QJsonObject byApp = windowsByApp(session);
    EXPECT_EQ(byApp[u"Benanntes Werkzeug"_qs].toInt(), 1) << QJsonDocument(byApp).toJson().toStdString();
    EXPECT_FALSE(byApp.contains(u"NamedTool"_qs)) << "named by its class";
    EXPECT_EQ(byApp[u"Iconic"_qs].toInt(), 1) << "a window of no entry is named by its class";
    EXPECT_EQ(byApp[u"Suite Writer"_qs].toInt(), 1);
    EXPECT_EQ(byApp[u"Suite Calc"_qs].toInt(), 1);

    // The place key on the named window, Return in the picker: once it is placed, snap assist
    // offers the others, the window of no entry with its own icon, the larger picture it
    // publishes, and each of the suite's with its own entry's icon.
    session.warpPointer(960, 1000);
    chord(session, {ControlL, AltL, LetterP});
    ASSERT_TRUE(session.waitFor([&] { return wmClass(session, session.inputFocus()).contains("framewell"); }))
        << "the picker did not take the keyboard\n" << programLog(session).toStdString();
    const auto before = session.wmFrame(named.window);
    chord(session, {Return});
    ASSERT_TRUE(session.waitFor([&] { return session.wmFrame(named.window) != before; }, 10000))
        << "the named window was not placed\n" << programLog(session).toStdString();
    // The tile's icon is some 18 pixels square; a window manager may draw a window's icon on
    // its title bar, which the tile's picture of the window shows too, but far smaller (some 7).
    EXPECT_TRUE(session.waitFor([&] { return programPixelsOf(session, qRgb(255, 0, 255)) >= 200; }, 10000))
        << "no icon of the window's own in our panels: " << programPanels(session) << "\n"
        << programLog(session).toStdString();
    EXPECT_TRUE(session.waitFor([&] {
        return programPixelsOf(session, qRgb(255, 0, 0)) >= 200 && programPixelsOf(session, qRgb(0, 0, 255)) >= 200;
    }, 10000)) << "the suite's windows are not drawn each with its entry's icon: red "
               << programPixelsOf(session, qRgb(255, 0, 0)) << ", blue " << programPixelsOf(session, qRgb(0, 0, 255));

    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

// GNOME Calculator, a GTK 4 application whose WM_CLASS is "gnome-calculator": its window is
// named as the desktop's menus name it, through its application id, in the session's language.
TEST(AppIdentityX11, ARealGtkApplicationIsNamedAsItsDesktopEntryNamesIt)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_FALSE(session.sessionBus().isEmpty()) << session.error();
    session.addEnvironment("LC_MESSAGES=de_DE.UTF-8");
    const pid_t calculator = session.spawn({u"gnome-calculator"_qs});
    ASSERT_TRUE(calculator) << session.error();
    X11WindowSystem ws(session.display());
    ASSERT_TRUE(session.waitFor([&] {
        for (const WindowInfo& info : ws.snapshot()) {
            if (info.appClass.compare(u"gnome-calculator"_qs, Qt::CaseInsensitive) == 0 && info.onScreen)
                return true;
        }
        return false;
    }, 20000)) << "no gnome-calculator window (gnome-calculator installed?)";

    const pid_t program = startWithDiagnostics(session);
    ASSERT_TRUE(program) << session.error() << programLog(session).toStdString();
    const QJsonObject byApp = windowsByApp(session);
    EXPECT_EQ(byApp[u"Taschenrechner"_qs].toInt(), 1) << QJsonDocument(byApp).toJson().toStdString();
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0));
}

// Writes a window's _NET_WM_ICON as a client would, any values.
void setWindowIcon(XSession& session, xcb_window_t w, const std::vector<std::uint32_t>& values)
{
    xcb_connection_t* c = session.connection();
    auto* atom = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, 12, "_NET_WM_ICON"), nullptr);
    ASSERT_TRUE(atom);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, atom->atom, XCB_ATOM_CARDINAL, 32, std::uint32_t(values.size()),
                        values.data());
    free(atom);
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));   // the write is done
}

std::vector<std::uint32_t> iconPicture(std::uint32_t w, std::uint32_t h, std::uint32_t argb)
{
    std::vector<std::uint32_t> v{w, h};
    v.insert(v.end(), std::size_t(w) * h, argb);
    return v;
}

std::vector<std::uint32_t> operator+(std::vector<std::uint32_t> a, const std::vector<std::uint32_t>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST(AppIdentityX11, AWindowsIconIsItsLargestWellFormedPicture)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    auto client = session.startTestClient(u"icons"_qs, {u"--icon"_qs, u"16x16:00ff00,48x32:0000ff"_qs});
    ASSERT_TRUE(client.window) << session.error();
    X11WindowSystem ws(session.display());
    ASSERT_TRUE(ws.connected());

    const auto largest = ws.windowIcon(client.window);
    ASSERT_TRUE(largest);
    EXPECT_EQ(largest->size(), (PixelSize{48, 32}));
    EXPECT_EQ(largest->pixel(47, 31), 0xff0000ffu);

    // Malformed pictures, on a window of the test's own that no window manager manages (some
    // put an icon of their own on a window whose icon they find none in).
    xcb_connection_t* c = session.connection();
    const xcb_window_t own = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, own, session.root(), 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    // Half-transparent red comes premultiplied; a picture after a malformed one is not trusted.
    setWindowIcon(session, own, iconPicture(8, 8, 0x80ff0000u) + std::vector<std::uint32_t>{0, 5} + iconPicture(64, 64, ~0u));
    const auto translucent = ws.windowIcon(own);
    ASSERT_TRUE(translucent);
    EXPECT_EQ(translucent->size(), (PixelSize{8, 8}));
    EXPECT_EQ(translucent->pixel(0, 0), 0x80800000u);

    // More pixels said than given, absurd sides: no picture.
    setWindowIcon(session, own, std::vector<std::uint32_t>{10, 10} + iconPicture(4, 4, ~0u));
    EXPECT_FALSE(ws.windowIcon(own)) << "a picture longer than the property";
    setWindowIcon(session, own, std::vector<std::uint32_t>{100000, 100000, 1, 2, 3});
    EXPECT_FALSE(ws.windowIcon(own)) << "absurd sides";
    setWindowIcon(session, own, std::vector<std::uint32_t>{0xffffffffu, 2} + iconPicture(2, 2, ~0u));
    EXPECT_FALSE(ws.windowIcon(own)) << "a side that would overflow";
    setWindowIcon(session, own, iconPicture(513, 1, ~0u));
    EXPECT_FALSE(ws.windowIcon(own)) << "wider than any icon is drawn";

    // A picture too large to draw, whole in the data, is stepped over: the ones after it count.
    setWindowIcon(session, own, iconPicture(600, 600, 0xffff0000u) + iconPicture(256, 256, 0xff0000ffu));
    const auto afterLarge = ws.windowIcon(own);
    ASSERT_TRUE(afterLarge) << "a large first picture hides the one after it";
    EXPECT_EQ(afterLarge->size(), (PixelSize{256, 256}));
    EXPECT_EQ(afterLarge->pixel(255, 255), 0xff0000ffu);
    // Also one longer than a read takes at once.
    setWindowIcon(session, own, iconPicture(1024, 1024, 0xffff0000u) + iconPicture(32, 32, 0xff00ff00u));
    const auto afterHuge = ws.windowIcon(own);
    ASSERT_TRUE(afterHuge);
    EXPECT_EQ(afterHuge->size(), (PixelSize{32, 32}));
    EXPECT_EQ(afterHuge->pixel(0, 0), 0xff00ff00u);
}

} // namespace
} // namespace fw
