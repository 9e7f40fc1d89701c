// The program with the tray hosts of Linux desktops, on a real server: a StatusNotifier host on
// the session's private bus (a small watcher of this test's own, as a panel's status tray
// registers) reads the whole menu, each item's key and every icon size over D-Bus before anyone
// clicked; an XEmbed tray started after the program (the usual order at login) is found, said
// in the log, and shows the icon in a colour that reads on its dark background; trays that show
// icons with an alpha channel unblended, light and dark, started later still get an icon that
// reads on them.
#include "x11/ProgramSession.h"
#include "x11/TestTray.h"
#include "x11/XSession.h"

#include <QDBusAbstractAdaptor>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCall>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPixmap>
#include <QScreen>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#ifndef FW_SOURCE_DIR
#define FW_SOURCE_DIR "."
#endif
namespace fw {
namespace {

using namespace test;

// The StatusNotifierWatcher a panel's status tray runs: it says a host is there and records the
// items that register.
class Watcher final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    explicit Watcher(QObject* parent) : QDBusAbstractAdaptor(parent) {}
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return items_; }

public slots:
    void RegisterStatusNotifierItem(const QString& service) { items_ << service; }
    void RegisterStatusNotifierHost(const QString&) {}

signals:
    void StatusNotifierItemRegistered(const QString&);
    void StatusNotifierHostRegistered();

private:
    QStringList items_;
};

// One item of a dbusmenu layout.
struct MenuEntry {
    int id = 0;
    QString label;   // mnemonics and the key label dropped
    bool visible = true;
    QString exported;   // the label as exported
    QString shortcut;   // the key a host shows beside it ("Control+Alt+P"), empty for none
};

// A dbusmenu "shortcut" (aas): its one chord's keys joined by '+'.
QString shortcutOf(const QVariant& value)
{
    if (!value.canConvert<QDBusArgument>())
        return {};
    const auto chords = qdbus_cast<QList<QStringList>>(value.value<QDBusArgument>());
    return chords.size() == 1 ? chords.first().join(u'+') : QString();
}

// The items of a dbusmenu layout ((ia{sv}av)), every level.
void collectEntries(const QDBusArgument& arg, QList<MenuEntry>& out)
{
    int id = 0;
    QVariantMap properties;
    arg.beginStructure();
    arg >> id >> properties;
    if (properties.contains(u"label"_qs))
        out << MenuEntry{id, properties.value(u"label"_qs).toString().remove(u'_').section(u'\t', 0, 0),
                         properties.value(u"visible"_qs, true).toBool(), properties.value(u"label"_qs).toString(),
                         shortcutOf(properties.value(u"shortcut"_qs))};
    arg.beginArray();
    while (!arg.atEnd()) {
        QDBusVariant child;
        arg >> child;
        collectEntries(child.variant().value<QDBusArgument>(), out);
    }
    arg.endArray();
    arg.endStructure();
}

QStringList labelsOf(const QList<MenuEntry>& entries)
{
    QStringList labels;
    for (const MenuEntry& e : entries)
        labels << e.label;
    return labels;
}

std::optional<MenuEntry> entryOf(const QList<MenuEntry>& entries, const QString& label)
{
    for (const MenuEntry& e : entries) {
        if (e.label == label)
            return e;
    }
    return std::nullopt;
}

// A call answered while this process keeps serving the watcher (the program may ask it
// something meanwhile).
QDBusMessage callServing(XSession& session, QDBusConnection& bus, const QDBusMessage& call)
{
    QDBusPendingCall pending = bus.asyncCall(call, 5000);
    session.waitFor([&] { return pending.isFinished(); }, 6000);
    return pending.isFinished() ? pending.reply() : QDBusMessage();
}

QVariant itemProperty(XSession& session, QDBusConnection& bus, const QString& service, const QString& name)
{
    QDBusMessage get = QDBusMessage::createMethodCall(service, u"/StatusNotifierItem"_qs,
                                                      u"org.freedesktop.DBus.Properties"_qs, u"Get"_qs);
    get << u"org.kde.StatusNotifierItem"_qs << name;
    const QDBusMessage reply = callServing(session, bus, get);
    return reply.arguments().isEmpty() ? QVariant() : reply.arguments().first().value<QDBusVariant>().variant();
}

TEST(TrayHostsX11, AStatusNotifierHostReadsTheWholeMenuAndEveryIconSizeBeforeAnyClick)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    const QString address = session.sessionBus();
    ASSERT_FALSE(address.isEmpty()) << session.error();
    SessionApp app(session);
    QDBusConnection bus = QDBusConnection::connectToBus(address, u"fw-tray-host"_qs);
    ASSERT_TRUE(bus.isConnected()) << bus.lastError().message().toStdString();
    QObject root;
    auto* watcher = new Watcher(&root);
    ASSERT_TRUE(bus.registerObject(u"/StatusNotifierWatcher"_qs, &root));
    ASSERT_TRUE(bus.registerService(u"org.kde.StatusNotifierWatcher"_qs));

    // The symbolic icon installed in the user's icon folder, as an install puts it in hicolor.
    const QString icons = session.directory() + u"/data/icons/hicolor/scalable/apps"_qs;
    ASSERT_TRUE(QDir().mkpath(icons));
    ASSERT_TRUE(QFile::copy(QStringLiteral(FW_SOURCE_DIR "/data/icons/framewell-symbolic.svg"),
                            icons + u"/framewell-symbolic.svg"_qs));

    ASSERT_TRUE(openedBefore(session));
    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return !watcher->items().isEmpty(); }, 15000))
        << "no item registered; the program said:\n" << programLog(session).toStdString();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, kProgramStartMs));
    const QString service = watcher->items().first();

    // The menu, read as a panel reads it on a right click, before anyone clicked anything.
    const QString menuPath = itemProperty(session, bus, service, u"Menu"_qs).value<QDBusObjectPath>().path();
    ASSERT_FALSE(menuPath.isEmpty()) << "the item names no menu";
    QList<MenuEntry> entries;
    const auto readMenu = [&] {
        QDBusMessage call = QDBusMessage::createMethodCall(service, menuPath, u"com.canonical.dbusmenu"_qs, u"GetLayout"_qs);
        call << 0 << -1 << QStringList();
        const QDBusMessage reply = callServing(session, bus, call);
        entries.clear();
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 2)
            collectEntries(reply.arguments().at(1).value<QDBusArgument>(), entries);
    };
    ASSERT_TRUE(session.waitFor([&] {
        readMenu();
        return entryOf(entries, u"Quit Framewell"_qs).has_value();
    }, 10000)) << "the exported menu: " << labelsOf(entries).join(u", "_qs).toStdString();
    const QStringList labels = labelsOf(entries);
    for (const QString& title : {u"About Framewell"_qs, u"Start at Login"_qs, u"Place Focused Window…"_qs, u"Window Stacks"_qs})
        EXPECT_TRUE(labels.contains(title)) << title.toStdString() << " missing from " << labels.join(u", "_qs).toStdString();
    EXPECT_GT(labels.size(), 20) << labels.join(u", "_qs).toStdString();
    // Labels as a host shows them: no key text after a tab.
    for (const MenuEntry& e : entries)
        EXPECT_FALSE(e.exported.contains(u'\t')) << e.exported.toStdString();
    EXPECT_EQ(entryOf(entries, u"Quit Framewell"_qs)->exported, u"Quit Framewell"_qs);
    // Their keys instead, as the host shows them beside the items.
    EXPECT_EQ(entryOf(entries, u"Quit Framewell"_qs)->shortcut, u"Control+Q"_qs);
    EXPECT_EQ(entryOf(entries, u"Place Focused Window…"_qs)->shortcut, u"Control+Alt+P"_qs);
    EXPECT_EQ(entryOf(entries, u"About Framewell"_qs)->shortcut, QString());

    // A toggle chosen from the host's menu: the host reads the changed menu (Resume Snapping
    // shows) without opening it again through us.
    const auto pause = entryOf(entries, u"Pause Snapping"_qs);
    ASSERT_TRUE(pause && pause->visible);
    QDBusMessage click = QDBusMessage::createMethodCall(service, menuPath, u"com.canonical.dbusmenu"_qs, u"Event"_qs);
    click << pause->id << u"clicked"_qs << QVariant::fromValue(QDBusVariant(0)) << 0u;
    EXPECT_EQ(callServing(session, bus, click).type(), QDBusMessage::ReplyMessage);
    EXPECT_TRUE(session.waitFor([&] {
        readMenu();
        const auto resume = entryOf(entries, u"Resume Snapping"_qs);
        return resume && resume->visible;
    }, 10000)) << "the menu after pausing: " << labelsOf(entries).join(u", "_qs).toStdString();

    // Its themed symbolic name, which the host may recolour for its panel.
    EXPECT_EQ(itemProperty(session, bus, service, u"IconName"_qs).toString(), u"framewell-symbolic"_qs);
    // Its pictures at every tray size, in device pixels.
    const QDBusArgument pixmaps = itemProperty(session, bus, service, u"IconPixmap"_qs).value<QDBusArgument>();
    QList<int> sides;
    pixmaps.beginArray();
    while (!pixmaps.atEnd()) {
        int width = 0, height = 0;
        QByteArray data;
        pixmaps.beginStructure();
        pixmaps >> width >> height >> data;
        pixmaps.endStructure();
        EXPECT_EQ(width, height);
        EXPECT_EQ(data.size(), qsizetype(width) * height * 4);
        sides << width;
    }
    pixmaps.endArray();
    for (int side : {16, 22, 24, 32, 48, 64})
        EXPECT_TRUE(sides.contains(side)) << side << " missing";

    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();
}

double luminance(QRgb c)
{
    const auto channel = [](int v) {
        const double s = v / 255.0;
        return s <= 0.04045 ? s / 12.92 : std::pow((s + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(qRed(c)) + 0.7152 * channel(qGreen(c)) + 0.0722 * channel(qBlue(c));
}

double contrast(QRgb a, QRgb b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// Whether the window manager holds the tray itself: icewm's and fluxbox's task bars (maybe a
// moment after they start).
bool managerHoldsTray(XSession& session)
{
    const QString wm = session.windowManager();
    return trayHostRunning(session) || wm == u"icewm"_qs || wm == u"fluxbox"_qs;
}

// The program started in a session with no tray yet, where the window manager does not hold it.
class TrayHostsLaterX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(session.ok()) << session.error();
        if (managerHoldsTray(session))
            GTEST_SKIP() << session.windowManager().toStdString() << " holds the tray itself";
        program = startProgram(session);
        ASSERT_TRUE(program) << session.error() << programLog(session).toStdString();
    }

    XSession session;
    pid_t program = 0;
};

TEST_F(TrayHostsLaterX11, ATrayStartedAfterTheProgramIsFoundSaidAndItsIconReadsOnItsDarkBackground)
{
    EXPECT_TRUE(session.waitFor([&] { return programLog(session).contains(u"No system tray"_qs); }))
        << programLog(session).toStdString();

    // A dark trayer, as a login starts it after the programs of the session.
    ASSERT_TRUE(session.spawn({u"trayer"_qs, u"--edge"_qs, u"top"_qs, u"--align"_qs, u"right"_qs, u"--widthtype"_qs,
                               u"request"_qs, u"--height"_qs, u"24"_qs, u"--SetDockType"_qs, u"true"_qs,
                               u"--transparent"_qs, u"true"_qs, u"--alpha"_qs, u"0"_qs, u"--tint"_qs, u"0x202020"_qs}));
    ASSERT_TRUE(session.waitFor([&] { return trayIconEmbedded(session); }, 10000)) << "the icon never came to the tray";
    EXPECT_TRUE(session.waitFor([&] { return programLog(session).contains(u"System tray found"_qs); }, 10000))
        << programLog(session).toStdString();

    // The icon takes a colour that reads on the tray: some of its pixels reach 3:1 against the
    // background at its corners.
    SessionApp app(session);
    double best = 1;
    QRgb background = 0;
    const bool reads = session.waitFor([&] {
        const xcb_window_t icon = trayIconWindow(session);
        const auto at = session.rootPosition(icon);
        const auto size = session.clientSize(icon);
        if (!at || !size || size->width < 4)
            return false;
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, int(at->x), int(at->y), int(size->width), int(size->height))
                                .toImage();
        background = shot.pixel(0, 0);
        best = 1;
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                best = std::max(best, contrast(shot.pixel(x, y), background));
        return best >= 3.0;
    }, 10000);
    EXPECT_TRUE(reads) << "best contrast " << best << " on #" << std::hex << (background & 0xffffff);
    EXPECT_LT(luminance(background), 0.05) << "the tray is not dark: #" << std::hex << (background & 0xffffff);

    // A tray that states the colour its icons take (_NET_SYSTEM_TRAY_COLORS, here orange) has
    // the icon drawn in it.
    const auto intern = [&](const char* name) {
        auto* r = xcb_intern_atom_reply(session.connection(),
                                        xcb_intern_atom(session.connection(), 0, std::uint16_t(std::strlen(name)), name),
                                        nullptr);
        const xcb_atom_t atom = r ? r->atom : xcb_atom_t(XCB_ATOM_NONE);
        free(r);
        return atom;
    };
    auto* owner = xcb_get_selection_owner_reply(
        session.connection(), xcb_get_selection_owner(session.connection(), intern("_NET_SYSTEM_TRAY_S0")), nullptr);
    ASSERT_TRUE(owner && owner->owner != XCB_NONE);
    const std::uint32_t colors[12] = {0xffff, 0x8c8c, 0, 0xffff, 0, 0, 0xffff, 0xffff, 0, 0, 0xffff, 0};
    xcb_change_property(session.connection(), XCB_PROP_MODE_REPLACE, owner->owner, intern("_NET_SYSTEM_TRAY_COLORS"),
                        XCB_ATOM_CARDINAL, 32, 12, colors);
    free(owner);
    xcb_flush(session.connection());
    EXPECT_TRUE(session.waitFor([&] {
        const xcb_window_t icon = trayIconWindow(session);
        const auto at = session.rootPosition(icon);
        const auto size = session.clientSize(icon);
        if (!at || !size)
            return false;
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, int(at->x), int(at->y), int(size->width), int(size->height))
                                .toImage();
        for (int y = 0; y < shot.height(); ++y)
            for (int x = 0; x < shot.width(); ++x)
                if (shot.pixel(x, y) == qRgb(0xff, 0x8c, 0))
                    return true;
        return false;
    }, 10000)) << "the icon did not take the tray’s colour\n" << programLog(session).toStdString();

    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();
}

// Trays that offer icons an alpha channel and show them unblended where they are clear (as
// LXQt's panel may at login, without a compositing manager), one light and then one dark,
// started after the program, then a light one before it: the icon reads on each, at least 3:1
// as a tray that blends it shows it, its colour taken from the panel beside it and read again
// for the next tray.
// Docks the icon in the tray and waits until it reads there; false (with why) when it does not.
::testing::AssertionResult readsOn(XSession& session, TestTray& tray)
{
    if (!tray.ok())
        return ::testing::AssertionFailure() << "no visual of 32 bits, or no connection";
    const bool docked = session.waitFor([&] {
        tray.serve();
        return tray.icon() != XCB_NONE;
    }, 10000);
    if (!docked)
        return ::testing::AssertionFailure() << "the icon never asked to dock\n" << programLog(session).toStdString();
    double shown = 1;
    const bool reads = session.waitFor([&] {
        tray.serve();
        shown = tray.shownContrast();
        return shown >= 3.0;
    }, 10000);
    return reads ? ::testing::AssertionSuccess()
                 : ::testing::AssertionFailure() << "the icon shows at " << shown << ":1 on the tray";
}

TEST_F(TrayHostsLaterX11, AnIconWithAnAlphaChannelReadsOnALightAndThenADarkTrayStartedAfterTheProgram)
{
    for (const std::uint32_t colour : {0xf0f0f0u, 0x202020u}) {
        SCOPED_TRACE(QString::number(colour, 16).toStdString());
        TestTray tray(session.display(), colour);
        EXPECT_TRUE(readsOn(session, tray));
    }
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();

    // A light tray there before the program starts again.
    TestTray first(session.display(), 0xf0f0f0);
    const pid_t again = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(again) << session.error();
    EXPECT_TRUE(readsOn(session, first));
    EXPECT_EQ(session.terminate(again, 10000), std::optional<int>(0)) << programLog(session).toStdString();
}

} // namespace
} // namespace fw

#include "TrayHostsX11Test.moc"
