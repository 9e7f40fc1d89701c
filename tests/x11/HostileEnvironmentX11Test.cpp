// The program as a user starts it, on a real server, in a hostile environment. A home where its
// Start at Login entry is a FIFO, its lock file holds garbage, and its defaults file is a link
// into a dotfiles folder holding more custom layouts than a display keeps, the first naming an
// app by an id of 20,000 characters. And a runtime folder too full for a lock or a socket, with
// clients flooding and idling on the socket the program makes instead. Each time the program
// starts, opens its menu, answers its hot keys, stays the only copy, says in its log what it
// refused, and ends with status 0 on SIGTERM. And a home whose icon theme is full of FIFOs, where
// FIFOs wait where the libraries under Qt read (cursors, X resources, desktop settings), another
// client holds every connection of the socket, another program rewrites the settings and a
// cleaner removes the lock file: the program still answers, a second launch still reaches
// it, the other program's setting survives the next write, and no second copy ever runs. And
// no runtime folder, a temporary one another user made first and settings on a read-only
// disk: it still runs as the only copy, says once that settings cannot be saved, and answers
// its command line without reaching the running copy.
#include "base/Log.h"
#include "layout/LayoutStore.h"
#include "layout/SnapLayout.h"
#include "onboarding/ProductInfo.h"
#include "overlay/ToastController.h"
#include "x11/FakeKeys.h"
#include "x11/ProgramSession.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocalSocket>

#include <gtest/gtest.h>

#include <csignal>
#include <sys/stat.h>
#include <unistd.h>

namespace fw {
namespace {

using namespace test;

constexpr int kLongId = 20000;

// What the programs started under this name (its first argument's file name) wrote.
QString logsOf(const XSession& s, const QString& program)
{
    QString text;
    for (const QString& name : QDir(s.directory() + u"/logs"_qs).entryList({program + u"-*.log"_qs}, QDir::Files, QDir::Name)) {
        QFile f(s.directory() + u"/logs/"_qs + name);
        if (f.open(QIODevice::ReadOnly))
            text += QString::fromUtf8(f.readAll());
    }
    return text;
}

// Whether this system lets a user mount a folder of their own.
bool ownMountsAllowed(XSession& s)
{
    return s.run({u"unshare"_qs, u"--user"_qs, u"--map-root-user"_qs, u"--mount"_qs, u"true"_qs}) == 0;
}

// The program started as root of a user namespace, in a mount namespace of its own, once the
// shell there ran `prepare` (ending in ";" or "&&"), with TMPDIR set to `temp`; its pid, 0 when
// it could not start. Its log is logsOf(s, "unshare").
pid_t startInOwnMounts(XSession& s, const QString& prepare, const QString& temp)
{
    return s.spawn({u"unshare"_qs, u"--user"_qs, u"--map-root-user"_qs, u"--mount"_qs, u"sh"_qs, u"-c"_qs,
                    prepare + u" TMPDIR=\"$1\" exec \"$2\""_qs, u"sh"_qs, temp, QStringLiteral(FW_FRAMEWELL_PATH)});
}

void writeFile(const QString& path, const QByteArray& data)
{
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(data);
}

// A user who has opened the program before, with more custom layouts on each display than
// it keeps; the first places an app whose id is 20,000 characters long.
QByteArray defaultsWithManyLayouts()
{
    QJsonArray layouts;
    const RegionTree halves = SnapLayout::builtIns().front().tree;
    layouts.append(SnapLayout{u"user-long"_qs, u"Long app"_qs, halves,
                              SnapLayout::AppMap{{0, QStringList{QString(kLongId, u'x')}}}}.toJson());
    for (int i = 1; i < LayoutStore::maxCustomLayouts + 100; ++i)
        layouts.append(SnapLayout{u"user-%1"_qs.arg(i), u"Layout %1"_qs.arg(i), halves, std::nullopt}.toJson());
    const QJsonObject defaults{{"hasOpened", true},
                               {"welcomeVideoShown", true},
                               {"lastSeenVersion", productVersion()},
                               {LayoutStore::customKey(), QJsonObject{{"LEFT", layouts}, {"RIGHT", layouts}}}};
    return QJsonDocument(defaults).toJson(QJsonDocument::Compact);
}

// Clicks the middle of a window.
void click(XSession& s, xcb_window_t w)
{
    const auto at = s.rootPosition(w);
    const auto size = s.clientSize(w);
    ASSERT_TRUE(at && size);
    s.warpPointer(int(at->x + size->width / 2), int(at->y + size->height / 2));
    s.pressButton(1);
    s.releaseButton(1);
}

// Opens the layout picker with Ctrl+Alt+Z over the focused xterm; true once it shows and
// holds the keyboard.
bool openPicker(XSession& s)
{
    chord(s, {ControlL, AltL, LetterZ});
    return s.waitFor([&] {
        return programWindowShown(s, u"Choose a Layout"_qs) && wmClass(s, s.inputFocus()).contains("framewell");
    }, 10000);
}

// The layout picker opens on its hot key and closes on Escape.
void expectHotKeysAnswered(XSession& s, const QString& log)
{
    ASSERT_TRUE(openPicker(s)) << "no picker on Ctrl+Alt+Z\n" << log.left(4000).toStdString();
    chord(s, {Escape});
    EXPECT_TRUE(s.waitFor([&] { return !programWindowShown(s, u"Choose a Layout"_qs); }, 10000));
}

TEST(HostileEnvironmentX11, AHomeOfFifosGarbageLinksAndTooManyLayouts)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    ASSERT_TRUE(startTrayHost(session)) << "trayer did not start: " << session.error();
    auto term = session.startXterm(u"focused"_qs, {u"-geometry"_qs, u"80x24+200+300"_qs});
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window));

    const QString dir = session.directory();
    ASSERT_TRUE(QDir().mkpath(dir + u"/config/autostart"_qs));
    ASSERT_EQ(::mkfifo(QFile::encodeName(dir + u"/config/autostart/framewell.desktop"_qs).constData(), 0600), 0);
    writeFile(dir + u"/runtime/framewell.lock"_qs, QByteArray("\x7f garbage, not a pid\n", 21).repeated(40));
    writeFile(dir + u"/home/dotfiles/framewell.json"_qs, defaultsWithManyLayouts());
    ASSERT_TRUE(QDir().mkpath(dir + u"/config/framewell"_qs));
    const QString link = dir + u"/config/framewell/defaults.json"_qs;
    ASSERT_EQ(::symlink("../../home/dotfiles/framewell.json", QFile::encodeName(link).constData()), 0);

    const pid_t program = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return programLog(session).contains(u"Framewell started"_qs); }, kProgramStartMs))
        << programLog(session).toStdString();
    EXPECT_TRUE(programLog(session).contains(
        u"Display LEFT stores %1 custom layouts; the first 1000 are used, the other 100 are kept unused"_qs.arg(
            LayoutStore::maxCustomLayouts + 100)))
        << programLog(session).left(4000).toStdString();

    // The menu reads the Start at Login entry: it opens, and closes on Escape. The icon is
    // clicked once it shows and holds still (a new window of ours before then may be the icon).
    const auto icon = settledTrayIcon(session);
    ASSERT_TRUE(icon) << "the tray icon did not settle on the screen";
    const std::size_t shown = programWindows(session).size();
    session.warpPointer(int(icon->midX()), int(icon->midY()));
    session.pressButton(1);
    session.releaseButton(1);
    EXPECT_TRUE(session.waitFor([&] { return programWindows(session).size() > shown; }, 10000))
        << "the menu did not open\n" << programLog(session).toStdString();
    // Escape until it closes: the menu takes the keyboard some time after it shows.
    EXPECT_TRUE(session.waitFor([&] {
        const bool closed = programWindows(session).size() == shown;
        if (!closed)
            chord(session, {Escape});
        return closed;
    }, 10000));
    ASSERT_TRUE(session.activate(term.window));
    expectHotKeysAnswered(session, programLog(session));

    // The first own layout, the ninth card of the picker: its app is not installed, and the log
    // line saying so shows a bounded part of the id.
    ASSERT_TRUE(session.activate(term.window));
    ASSERT_TRUE(openPicker(session)) << programLog(session).left(4000).toStdString();
    chord(session, {Digit9});
    chord(session, {Return});
    const QString cut = QString(log::maxValueLength, u'x') + u"… ("_qs;
    EXPECT_TRUE(session.waitFor([&] { return programLog(session).contains(cut); }, 10000))
        << programLog(session).left(4000).toStdString();
    for (const QString& line : programLog(session).split(u'\n'))
        EXPECT_LT(line.size(), 2000) << line.left(200).toStdString();
    // The layout it applied is written through the link, which stays, with every layout kept.
    QJsonObject saved;
    EXPECT_TRUE(session.waitFor([&] {
        QFile target(dir + u"/home/dotfiles/framewell.json"_qs);
        saved = target.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(target.readAll()).object() : QJsonObject();
        return saved.contains(LayoutStore::activeKey());
    }, 10000)) << programLog(session).left(4000).toStdString();
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(saved.value(LayoutStore::customKey()).toObject().value("LEFT").toArray().size(),
              LayoutStore::maxCustomLayouts + 100);

    // Whatever the lock file held, a second copy ends and the first opens Getting Started.
    const pid_t second = session.spawn({QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(second);
    EXPECT_EQ(session.waitForExit(second, 10000), std::optional<int>(0));
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 10000));
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << programLog(session).toStdString();
}

TEST(HostileEnvironmentX11, AFullRuntimeFolderAndClientsFloodingItsSocket)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (!ownMountsAllowed(session))
        GTEST_SKIP() << "this system lets no user mount a folder of their own (unshare --user --mount)";
    auto term = session.startXterm(u"focused"_qs);
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window));
    const QString dir = session.directory();
    ASSERT_TRUE(openedBefore(session));
    const QString temp = dir + u"/tmp"_qs;
    ASSERT_TRUE(QDir().mkpath(temp));

    // The runtime folder, a file system of its own that is full to the last inode and byte, in
    // a mount namespace the program and its second copy share.
    const pid_t program = startInOwnMounts(session,
                                           u"mount -t tmpfs -o size=8k,nr_inodes=2,mode=0700 tmpfs \"$XDG_RUNTIME_DIR\""
                                           " && head -c 8192 /dev/zero > \"$XDG_RUNTIME_DIR/filler\";"_qs,
                                           temp);
    ASSERT_TRUE(program) << session.error();
    const auto firstLog = [&] { return logsOf(session, u"unshare"_qs); };
    ASSERT_TRUE(session.waitFor([&] { return firstLog().contains(u"Framewell started"_qs); }, kProgramStartMs)) << firstLog().toStdString();
    EXPECT_TRUE(firstLog().contains(u"framewell.lock cannot be used: No space left on device"_qs)) << firstLog().toStdString();

    // Its socket took the temporary folder. A client that sends without end and clients that
    // say nothing, beyond the most served at once, are all dropped.
    const QString socketPath = temp + u"/framewell-0/framewell.socket"_qs;
    QLocalSocket flood;
    flood.connectToServer(socketPath);
    ASSERT_TRUE(flood.waitForConnected(5000)) << socketPath.toStdString();
    flood.write(QByteArray(8 * 1024 * 1024, 'x'));
    std::vector<std::unique_ptr<QLocalSocket>> silent;
    for (int i = 0; i < 20; ++i) {
        silent.push_back(std::make_unique<QLocalSocket>());
        silent.back()->connectToServer(socketPath);
    }
    const auto dropped = [](QLocalSocket& s) {
        s.waitForReadyRead(10);
        s.readAll();
        return s.state() == QLocalSocket::UnconnectedState;
    };
    EXPECT_TRUE(session.waitFor([&] {
        return dropped(flood) && std::all_of(silent.begin(), silent.end(), [&](const auto& s) { return dropped(*s); });
    }, 15000)) << "clients were kept";
    expectHotKeysAnswered(session, firstLog());

    // A second copy in the same full folder finds the first where it is, and ends.
    const pid_t second = session.spawn({u"nsenter"_qs, u"--target"_qs, QString::number(program), u"--user"_qs,
                                        u"--mount"_qs, u"sh"_qs, u"-c"_qs, u"TMPDIR=\"$1\" exec \"$2\""_qs, u"sh"_qs,
                                        temp, QStringLiteral(FW_FRAMEWELL_PATH)});
    ASSERT_TRUE(second) << session.error();
    EXPECT_EQ(session.waitForExit(second, 10000), std::optional<int>(0)) << logsOf(session, u"nsenter"_qs).toStdString();
    EXPECT_TRUE(logsOf(session, u"nsenter"_qs).contains(u"Framewell already runs"_qs)) << logsOf(session, u"nsenter"_qs).toStdString();
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 10000));
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << firstLog().toStdString();
}

// The custom layout on each display whose region names an installed app with this icon.
QByteArray defaultsWithAnAppLayout(const QString& app)
{
    const RegionTree halves = SnapLayout::builtIns().front().tree;
    const QJsonArray layouts{SnapLayout{u"user-app"_qs, u"App"_qs, halves, SnapLayout::AppMap{{0, QStringList{app}}}}.toJson()};
    return QJsonDocument(QJsonObject{{"hasOpened", true}, {"welcomeVideoShown", true}, {"lastSeenVersion", productVersion()},
                                     {LayoutStore::customKey(), QJsonObject{{"LEFT", layouts}, {"RIGHT", layouts}}}})
        .toJson(QJsonDocument::Compact);
}

// Clients that keep every connection of the socket busy: each one dropped comes back at once.
struct HeldConnections {
    QString path;
    std::vector<std::unique_ptr<QLocalSocket>> sockets;
    void hold(int count)
    {
        sockets.resize(std::size_t(count));
        for (auto& s : sockets) {
            if (s && s->state() == QLocalSocket::ConnectedState && !s->waitForReadyRead(0))
                continue;
            s = std::make_unique<QLocalSocket>();
            s->connectToServer(path);
        }
    }
};

TEST(HostileEnvironmentX11, AFifoIconThemeHeldConnectionsAnOutsideRewriteAndALostLock)
{
    XSession session({3200, 1080, true, false});
    ASSERT_TRUE(session.ok()) << session.error();
    ASSERT_TRUE(session.splitIntoTwoMonitors()) << session.error();
    auto term = session.startXterm(u"focused"_qs, {u"-geometry"_qs, u"80x24+200+300"_qs});
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window));
    const QString dir = session.directory();
    // The program's own home and config and data folders: the window manager, a GTK program
    // too, reads the same files the libraries under our Qt read, and must not hang on them.
    const QString own = dir + u"/own"_qs;
    const QStringList launch{u"env"_qs, u"HOME="_qs + own + u"/home"_qs, u"XDG_CONFIG_HOME="_qs + own + u"/config"_qs,
                             u"XDG_DATA_HOME="_qs + own + u"/data"_qs, QStringLiteral(FW_FRAMEWELL_PATH)};
    const auto log = [&] { return logsOf(session, u"env"_qs); };
    // FIFOs at the theme's index in ~/.icons, at its cache and at the icon file itself, the
    // icon of an app that the custom layout of each display names; and where the libraries
    // under Qt look: a cursor theme, the X resources files, dconf's database, GIO's schemas.
    char host[256] = {};
    ::gethostname(host, sizeof host - 1);
    for (const QString& path : {own + u"/home/.icons/hicolor/index.theme"_qs, own + u"/data/icons/hicolor/icon-theme.cache"_qs,
                                own + u"/data/icons/hicolor/48x48/apps/fifo-icon.png"_qs,
                                own + u"/home/.icons/default/cursors/left_ptr"_qs, own + u"/home/.Xdefaults"_qs,
                                own + u"/home/.Xdefaults-"_qs + QString::fromLocal8Bit(host),
                                own + u"/config/dconf/user"_qs, own + u"/data/glib-2.0/schemas/gschemas.compiled"_qs}) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    }
    writeFile(own + u"/data/applications/fifo-app.desktop"_qs,
              "[Desktop Entry]\nType=Application\nName=Fifo App\nExec=true\nIcon=fifo-icon\n");
    const QString defaults = own + u"/config/framewell/defaults.json"_qs;
    writeFile(defaults, defaultsWithAnAppLayout(u"fifo-app"_qs));

    const pid_t program = session.spawn(launch);
    ASSERT_TRUE(program) << session.error();
    ASSERT_TRUE(session.waitFor([&] { return log().contains(u"Framewell started"_qs); }, kProgramStartMs))
        << log().toStdString();

    // Another program replaces the settings; the program's next write, placing the xterm from
    // the picker (whose cards draw the app's icon), keeps what it wrote.
    QJsonObject outside = QJsonDocument::fromJson(defaultsWithAnAppLayout(u"fifo-app"_qs)).object();
    outside.insert("writtenElsewhere", "kept");
    writeFile(defaults + u".sync"_qs, QJsonDocument(outside).toJson());
    ASSERT_EQ(::rename(QFile::encodeName(defaults + u".sync"_qs).constData(), QFile::encodeName(defaults).constData()), 0);
    ASSERT_TRUE(openPicker(session)) << log().left(4000).toStdString();
    chord(session, {Digit1});
    chord(session, {Return});
    QJsonObject saved;
    EXPECT_TRUE(session.waitFor([&] {
        QFile f(defaults);
        saved = f.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(f.readAll()).object() : QJsonObject();
        return saved.contains(LayoutStore::activeKey());
    }, 10000)) << log().left(4000).toStdString();
    EXPECT_EQ(saved.value("writtenElsewhere"), QJsonValue("kept")) << QJsonDocument(saved).toJson().left(2000).toStdString();
    // Once the layout is in place, a click in the xterm ends what it offers next, and the keys
    // answer.
    EXPECT_TRUE(session.waitFor([&] { return log().contains(u"after choosing"_qs); }, 30000))
        << log().left(4000).toStdString();
    click(session, term.window);
    ASSERT_TRUE(session.activate(term.window));
    expectHotKeysAnswered(session, log());
    EXPECT_TRUE(log().contains(u"not read: it is a FIFO"_qs)) << log().left(4000).toStdString();

    // Another client holds every connection and takes each one back as it is dropped: a real
    // second launch still reaches the running copy, which opens Getting Started.
    HeldConnections held{dir + u"/runtime/framewell.socket"_qs, {}};
    held.hold(3 * 8);
    const pid_t second = session.spawn(launch);
    ASSERT_TRUE(second);
    std::optional<int> status;
    EXPECT_TRUE(session.waitFor([&] {
        held.hold(3 * 8);
        status = session.waitForExit(second, 1);
        return status.has_value();
    }, 15000));
    EXPECT_EQ(status, std::optional<int>(0)) << log().toStdString();
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 10000))
        << "no Getting Started window";
    held.sockets.clear();
    const auto answered = [&] { return int(log().count(u"asked it to open again"_qs)); };
    EXPECT_EQ(answered(), 1) << log().toStdString();

    // A cleaner removes the lock file, and a copy is launched at once: it ends, the lock file
    // is back, and the first copy still runs.
    ASSERT_EQ(::unlink(QFile::encodeName(dir + u"/runtime/framewell.lock"_qs).constData()), 0);
    const pid_t third = session.spawn(launch);
    ASSERT_TRUE(third);
    EXPECT_EQ(session.waitForExit(third, 10000), std::optional<int>(0)) << log().toStdString();
    EXPECT_EQ(answered(), 2) << log().toStdString();
    EXPECT_TRUE(session.waitFor([&] { return QFileInfo::exists(dir + u"/runtime/framewell.lock"_qs); }, 10000));
    EXPECT_EQ(::kill(program, 0), 0) << "the first copy ended";
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << log().toStdString();
}

// No runtime folder, and the temporary folder's one-copy folder made first by another user; a
// settings folder on a read-only disk. The program still starts as the only copy (its lock in
// the user's state folder), says once on screen that its settings cannot be saved, answers the
// command line without reaching the running copy, and a real second start still reaches it.
TEST(HostileEnvironmentX11, ASquattedTemporaryFolderAndSettingsOnAReadOnlyDisk)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (::geteuid() != 0)
        GTEST_SKIP() << "making a folder another user's takes root (chown)";
    if (!ownMountsAllowed(session))
        GTEST_SKIP() << "this system lets no user mount a folder of their own (unshare --user --mount)";
    auto term = session.startXterm(u"focused"_qs, {u"-geometry"_qs, u"80x24+200+300"_qs});
    ASSERT_TRUE(term.window) << session.error();
    ASSERT_TRUE(session.activate(term.window));
    ASSERT_TRUE(openedBefore(session));
    const QString dir = session.directory();
    const QString temp = dir + u"/squatted"_qs;
    const QString squatted = temp + u"/framewell-0"_qs;
    ASSERT_TRUE(QDir().mkpath(squatted));
    ASSERT_EQ(::chmod(QFile::encodeName(squatted).constData(), 0700), 0);
    ASSERT_EQ(::chown(QFile::encodeName(squatted).constData(), 65534, 65534), 0);

    // The settings folder read-only in the program's own mount namespace.
    const pid_t program = startInOwnMounts(session,
                                           u"mount --bind \"$XDG_CONFIG_HOME\" \"$XDG_CONFIG_HOME\""
                                           " && mount -o remount,bind,ro \"$XDG_CONFIG_HOME\" && unset XDG_RUNTIME_DIR &&"_qs,
                                           temp);
    ASSERT_TRUE(program) << session.error();
    const auto log = [&] { return logsOf(session, u"unshare"_qs); };
    ASSERT_TRUE(session.waitFor([&] { return log().contains(u"Framewell started"_qs); }, kProgramStartMs)) << log().toStdString();
    EXPECT_TRUE(log().contains(u"belongs to another user (65534)"_qs)) << log().toStdString();
    EXPECT_FALSE(log().contains(u"No folder could take"_qs)) << log().toStdString();
    EXPECT_TRUE(QFileInfo::exists(dir + u"/home/.local/state/framewell"_qs)) << log().toStdString();

    // One notice on screen, named by its file and reason, however many saves fail after it.
    const QString notice = u"Settings can’t be saved to “"_qs + dir + u"/config/framewell/defaults.json”: its disk is read-only."_qs;
    // It stands above the bottom of the work area: window managers with a bar of their own
    // along the bottom (icewm, fluxbox) keep the screen's last rows for it. Its card grows
    // upwards with the lines its font wraps the text to.
    const Rect noticeFrame = ToastController::noticeFrame(session.workArea().value_or(Rect(0, 0, 1920, 1080)));
    const auto noticeShown = [&] {
        for (xcb_window_t w : programWindows(session)) {
            const auto at = contentRect(session, w);
            if (at && at->x() == noticeFrame.x() && at->width() == noticeFrame.width()
                && at->maxY() == noticeFrame.maxY() && at->height() >= noticeFrame.height())
                return true;
        }
        return false;
    };
    EXPECT_TRUE(session.waitFor(noticeShown, 10000))
        << "no notice; shown: " << programPanels(session) << "\n" << log().toStdString();
    EXPECT_TRUE(log().contains(notice)) << log().toStdString();
    ASSERT_TRUE(openPicker(session)) << log().left(4000).toStdString();
    chord(session, {Digit1});
    chord(session, {Return});
    EXPECT_TRUE(session.waitFor([&] { return log().count(u"Defaults not saved"_qs) >= 2; }, 10000)) << log().toStdString();
    EXPECT_EQ(log().count(notice), 1) << log().toStdString();

    // The command line: each answer ends at once, and the running copy is never asked.
    const auto start = [&](const QString& option) {
        const pid_t pid = session.spawn({u"env"_qs, u"-u"_qs, u"XDG_RUNTIME_DIR"_qs, u"TMPDIR="_qs + temp,
                                         QStringLiteral(FW_FRAMEWELL_PATH), option});
        return pid ? session.waitForExit(pid, 10000) : std::nullopt;
    };
    EXPECT_EQ(start(u"--bogus"_qs), std::optional<int>(2));
    EXPECT_EQ(start(u"--help"_qs), std::optional<int>(0));
    EXPECT_EQ(start(u"--version"_qs), std::optional<int>(0));
    const QString answers = logsOf(session, u"env"_qs);
    EXPECT_TRUE(answers.contains(u"framewell: unknown option “--bogus”"_qs)) << answers.toStdString();
    EXPECT_TRUE(answers.contains(u"Usage: framewell [OPTION]…"_qs)) << answers.toStdString();
    EXPECT_TRUE(answers.contains(u"Framewell "_qs + productVersion() + u'\n')) << answers.toStdString();
    EXPECT_FALSE(answers.contains(u"already runs"_qs)) << answers.toStdString();
    EXPECT_FALSE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 1500))
        << "an answer to the command line opened Getting Started";

    // A real second start finds the lock in the state folder, ends, and Getting Started opens.
    EXPECT_EQ(start(u"--welcome"_qs), std::optional<int>(0)) << logsOf(session, u"env"_qs).toStdString();
    EXPECT_TRUE(session.waitFor([&] { return programWindowShown(session, u"Framewell"_qs); }, 10000));
    EXPECT_EQ(session.terminate(program, 10000), std::optional<int>(0)) << log().toStdString();
}

} // namespace
} // namespace fw
