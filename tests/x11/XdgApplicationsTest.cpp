// Desktop entries as installed applications (no X server needed).
#include "platform/EntryCommand.h"
#include "platform/x11/XdgApplications.h"
#include "x11/ProcessDescriptors.h"
#include "x11/XSession.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <sys/socket.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>

namespace fw {
namespace {

struct XdgFixture : ::testing::Test {
    QTemporaryDir tmp;
    QString home, system;

    void SetUp() override
    {
        if (const auto why = test::XSession::defaultRunOnlySkip("it starts no X server, so no window manager takes part"))
            GTEST_SKIP() << *why;
        home = tmp.filePath(u"home/applications"_qs);
        system = tmp.filePath(u"usr/applications"_qs);
        QDir().mkpath(home);
        QDir().mkpath(system);
    }
    void write(const QString& dir, const QString& rel, const QByteArray& text)
    {
        const QString path = dir + u'/' + rel;
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    }
};

// The two process ids a launched program writes to the file (its own and its child's), once
// the file is there; fewer when it never comes.
QList<QByteArray> launchedIds(const QString& path)
{
    QList<QByteArray> pids;
    for (int i = 0; i < 500 && pids.size() < 2; ++i) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            pids = file.readAll().trimmed().split(' ');
        if (pids.size() < 2)
            std::this_thread::sleep_for(std::chrono::milliseconds(10)); // a real process: poll its outcome
    }
    return pids;
}

TEST_F(XdgFixture, NamesAreLocalisedWithTheBestMatchingKey)
{
    const QByteArray text = "# comment\n[Desktop Entry]\nType=Application\nName=Files\nName[de]=Dateien\n"
                            "Name[de_AT]=Dateien (AT)\nName[sr@latin]=Datoteke\nIcon=system-file-manager\n"
                            "StartupWMClass=Nautilus\nComment[de]=Dateien verwalten\nComment=Manage files\n"
                            "[Desktop Action new]\nName=New Window\nComment=Another\n";
    auto plain = XdgApplications::parse(text, u"files"_qs, u"C"_qs);
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->name, u"Files"_qs);
    EXPECT_EQ(plain->icon, u"system-file-manager"_qs);
    EXPECT_EQ(plain->startupWmClass, u"Nautilus"_qs);
    EXPECT_EQ(plain->comment, u"Manage files"_qs);
    EXPECT_EQ(XdgApplications::parse(text, u"files"_qs, u"de_DE.UTF-8"_qs)->name, u"Dateien"_qs);
    EXPECT_EQ(XdgApplications::parse(text, u"files"_qs, u"de_AT.UTF-8"_qs)->comment, u"Dateien verwalten"_qs);
    EXPECT_EQ(XdgApplications::parse(text, u"files"_qs, u"de_AT.UTF-8"_qs)->name, u"Dateien (AT)"_qs);
    EXPECT_EQ(XdgApplications::parse(text, u"files"_qs, u"sr_RS.UTF-8@latin"_qs)->name, u"Datoteke"_qs);
    EXPECT_EQ(XdgApplications::parse(text, u"files"_qs, u"fr_FR"_qs)->name, u"Files"_qs);
    // A priority list, as LANGUAGE gives it: the first language the entry has counts.
    EXPECT_EQ(XdgApplications::parse(text, u"files"_qs, u"fr_FR:de_AT:de"_qs)->name, u"Dateien (AT)"_qs);
    EXPECT_EQ(XdgApplications::parse(text, u"files"_qs, u"fr:sr_RS@latin:de"_qs)->name, u"Datoteke"_qs);
    EXPECT_EQ(XdgApplications::parse(text, u"files"_qs, u"fr:C"_qs)->name, u"Files"_qs);
    EXPECT_EQ(XdgApplications::parse("[Desktop Entry]\nType=Application\nName=A\\sB\\\\C\n", u"x"_qs, {})->name,
              u"A B\\C"_qs);
}

TEST_F(XdgFixture, OnlyVisibleApplicationsCount)
{
    EXPECT_FALSE(XdgApplications::parse("[Desktop Entry]\nType=Link\nName=Site\n", u"x"_qs, {}));
    EXPECT_FALSE(XdgApplications::parse("[Desktop Entry]\nType=Application\nName=Gone\nHidden=true\n", u"x"_qs, {}));
    EXPECT_FALSE(XdgApplications::parse("[Desktop Entry]\nType=Application\n", u"x"_qs, {}));
    EXPECT_FALSE(XdgApplications::parse("Type=Application\nName=No group\n", u"x"_qs, {}));
    EXPECT_FALSE(XdgApplications::parse(QByteArray("\x00\xff\xfe garbage", 12), u"x"_qs, {}));
    EXPECT_TRUE(XdgApplications::parse("[Desktop Entry]\nType=Application\nName=Quiet\nNoDisplay=true\n", u"x"_qs, {}))
        << "an application kept out of menus is still installed";

    // Listed in launchers (the application chooser) only as the desktop entry rules say.
    const auto listed = [](const QByteArray& keys, const QStringList& desktops) {
        auto e = XdgApplications::parse("[Desktop Entry]\nType=Application\nName=A\n" + keys, u"a"_qs, {}, desktops);
        return e && e->listed;
    };
    EXPECT_TRUE(listed("", {}));
    EXPECT_FALSE(listed("NoDisplay=true\n", {u"XFCE"_qs}));
    EXPECT_TRUE(listed("NoDisplay=false\n", {u"XFCE"_qs}));
    EXPECT_TRUE(listed("OnlyShowIn=GNOME;XFCE;\n", {u"XFCE"_qs}));
    EXPECT_TRUE(listed("OnlyShowIn=GNOME;XFCE;\n", {u"ubuntu"_qs, u"GNOME"_qs})) << "any of the session's names";
    EXPECT_FALSE(listed("OnlyShowIn=KDE;\n", {u"XFCE"_qs}));
    EXPECT_FALSE(listed("OnlyShowIn=KDE;\n", {})) << "no desktop named: not shown";
    EXPECT_FALSE(listed("NotShowIn=XFCE;LXDE\n", {u"XFCE"_qs}));
    EXPECT_TRUE(listed("NotShowIn=KDE;\n", {u"XFCE"_qs}));
    EXPECT_TRUE(listed("NotShowIn=KDE;\n", {}));
}

TEST_F(XdgFixture, EarlierFoldersWinAndSubfoldersFormTheId)
{
    write(system, u"editor.desktop"_qs, "[Desktop Entry]\nType=Application\nName=System Editor\n");
    write(home, u"editor.desktop"_qs, "[Desktop Entry]\nType=Application\nName=My Editor\n");
    write(system, u"hidden.desktop"_qs, "[Desktop Entry]\nType=Application\nName=Hidden One\n");
    write(home, u"hidden.desktop"_qs, "[Desktop Entry]\nType=Application\nName=Hidden One\nHidden=true\n");
    write(system, u"kde4/okular.desktop"_qs, "[Desktop Entry]\nType=Application\nName=Okular\nIcon=okular\n");
    write(system, u"notes.txt"_qs, "[Desktop Entry]\nType=Application\nName=Not an entry\n");

    XdgApplications apps({home, system}, u"C"_qs);
    EXPECT_EQ(apps.entry(u"editor"_qs)->name, u"My Editor"_qs);
    EXPECT_EQ(apps.entry(u"editor"_qs)->path, home + u"/editor.desktop"_qs);
    EXPECT_FALSE(apps.entry(u"hidden"_qs)) << "Hidden in the user's folder hides the system entry";
    ASSERT_TRUE(apps.entry(u"kde4-okular"_qs));
    EXPECT_EQ(apps.entry(u"kde4-okular"_qs)->icon, u"okular"_qs);
    EXPECT_FALSE(apps.entry(u"notes"_qs));
    EXPECT_FALSE(apps.entry(u"../usr/applications/editor"_qs)) << "ids never name paths";
    EXPECT_FALSE(apps.entry(QString()));

    std::vector<QString> ids;
    for (const auto& e : apps.installed())
        ids.push_back(e.id);
    EXPECT_EQ(ids, (std::vector<QString>{u"editor"_qs, u"kde4-okular"_qs}));

    // A changed file is read again.
    write(home, u"editor.desktop"_qs, "[Desktop Entry]\nType=Application\nName=Renamed Editor Here\n");
    EXPECT_EQ(apps.entry(u"editor"_qs)->name, u"Renamed Editor Here"_qs);
    QFile::remove(home + u"/editor.desktop"_qs);
    EXPECT_EQ(apps.entry(u"editor"_qs)->name, u"System Editor"_qs);
}

TEST_F(XdgFixture, EnvironmentFoldersPutTheUsersFirst)
{
    qputenv("XDG_DATA_HOME", tmp.filePath(u"home"_qs).toUtf8());
    qputenv("XDG_DATA_DIRS", (tmp.filePath(u"usr"_qs) + u":relative/ignored:"_qs + tmp.filePath(u"usr"_qs)).toUtf8());
    EXPECT_EQ(XdgApplications::environmentDirs(), (QStringList{home, system}));
    qunsetenv("XDG_DATA_HOME");
    qunsetenv("XDG_DATA_DIRS");
}

// The session's languages as desktop menus read them: LANGUAGE first, also over a C locale
// (GLib's order), then LC_ALL, LC_MESSAGES, LANG.
TEST_F(XdgFixture, TheSessionsLanguagesAreReadAsDesktopMenusReadThem)
{
    const QByteArrayList names{"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"};
    std::map<QByteArray, std::optional<QByteArray>> saved;
    for (const QByteArray& name : names)
        saved[name] = qEnvironmentVariableIsSet(name.constData()) ? std::optional(qgetenv(name.constData())) : std::nullopt;
    const auto set = [&](const QByteArrayList& values) {
        for (qsizetype i = 0; i < names.size(); ++i)
            qputenv(names[i].constData(), values[i]);
    };
    set({"de_AT:de", "", "C", "C.UTF-8"});
    EXPECT_EQ(XdgApplications::environmentLocale(), u"de_AT:de"_qs);
    set({"", "fr_FR.UTF-8", "de_DE.UTF-8", "en_GB.UTF-8"});
    EXPECT_EQ(XdgApplications::environmentLocale(), u"fr_FR.UTF-8"_qs);
    set({"", "", "de_DE.UTF-8", "en_GB.UTF-8"});
    EXPECT_EQ(XdgApplications::environmentLocale(), u"de_DE.UTF-8"_qs);
    for (const auto& [name, value] : saved) {
        if (value)
            qputenv(name.constData(), *value);
        else
            qunsetenv(name.constData());
    }
}

TEST_F(XdgFixture, ExecLinesAreSplitWithoutAShellAndLoseTheirFieldCodes)
{
    using Args = std::optional<QStringList>;
    EXPECT_EQ(entryCommandLine(u"xterm"_qs), Args(QStringList{u"xterm"_qs}));
    EXPECT_EQ(entryCommandLine(u"mail %U --file=%f \"a b\"  'c d' 100%% %i %c %k"_qs),
              Args((QStringList{u"mail"_qs, u"--file="_qs, u"a b"_qs, u"c d"_qs, u"100%"_qs})));
    EXPECT_EQ(entryCommandLine(u"\"/opt/My App/run\" \"say \\\"hi\\\" for \\$5\""_qs),
              Args((QStringList{u"/opt/My App/run"_qs, u"say \"hi\" for $5"_qs})));
    EXPECT_EQ(entryCommandLine(u"run ; rm -rf x | y"_qs),
              Args((QStringList{u"run"_qs, u";"_qs, u"rm"_qs, u"-rf"_qs, u"x"_qs, u"|"_qs, u"y"_qs})))
        << "shell characters are plain arguments";
    EXPECT_FALSE(entryCommandLine(u"\"unterminated"_qs));
    EXPECT_FALSE(entryCommandLine(u"%U"_qs));
    EXPECT_FALSE(entryCommandLine(QString()));
}

TEST_F(XdgFixture, AnEntryThatRunsInATerminalGetsTheUsersTerminalEachWithItsWayToTakeACommand)
{
    EXPECT_TRUE(XdgApplications::parse("[Desktop Entry]\nType=Application\nName=Vim\nTerminal=true\n", u"v"_qs, {})
                    ->terminal);
    EXPECT_FALSE(XdgApplications::parse("[Desktop Entry]\nType=Application\nName=Gvim\nTerminal=false\n", u"g"_qs, {})
                     ->terminal);

    // Only the terminals the test puts on PATH are there.
    const QString bin = tmp.filePath(u"bin"_qs);
    QDir().mkpath(bin);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin));
    const auto install = [&](const QString& name, const QByteArray& script = "#!/bin/sh\n") {
        QFile file(bin + u'/' + name);
        return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(script) > 0
            && file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
    };
    const QStringList vim{u"/usr/bin/vim"_qs, u"-R"_qs, u"a file"_qs};
    const auto in = [&](const QStringList& desktops = {}) { return XdgApplications::terminalCommand(vim, desktops); };
    EXPECT_EQ(in(), std::nullopt);
    EXPECT_FALSE(XdgApplications({home}, u"C"_qs).hasTerminal());
    ASSERT_TRUE(install(u"gnome-terminal"_qs));
    EXPECT_EQ(in({u"GNOME"_qs}), (QStringList{bin + u"/gnome-terminal"_qs, u"--wait"_qs, u"--"_qs} + vim));
    EXPECT_EQ(XdgApplications::terminalCommand(vim, {}, u"mark"_qs),
              (QStringList{bin + u"/gnome-terminal"_qs, u"--role=mark"_qs, u"--wait"_qs, u"--"_qs} + vim))
        << "its server shows the window: the launch marks it with a role";
    ASSERT_TRUE(install(u"kitty"_qs));
    EXPECT_EQ(in({u"GNOME"_qs}), QStringList{bin + u"/kitty"_qs} + vim)
        << "a terminal that opens its own window first; kitty takes the command as it is";
    ASSERT_TRUE(install(u"xfce4-terminal"_qs) && install(u"xterm"_qs));
    EXPECT_EQ(in(), (QStringList{bin + u"/xterm"_qs, u"-e"_qs} + vim));
    EXPECT_EQ(XdgApplications::terminalCommand(vim, {u"XFCE"_qs}, u"mark"_qs),
              (QStringList{bin + u"/xfce4-terminal"_qs, u"--disable-server"_qs, u"-x"_qs} + vim))
        << "the desktop's own first, in a process of its own, which tells its window";
    // The system's chosen terminal before any other: the common terminal its alternative stands
    // for (here through Debian's wrapper) as itself, in a process of its own; another as it is.
    const QString chosen = tmp.filePath(u"alternative"_qs);
    ASSERT_TRUE(install(u"xfce4-terminal.wrapper"_qs) && QFile::link(bin + u"/xfce4-terminal.wrapper"_qs, chosen)
                && QFile::link(chosen, bin + u"/x-terminal-emulator"_qs));
    EXPECT_EQ(in(), (QStringList{bin + u"/xfce4-terminal"_qs, u"--disable-server"_qs, u"-x"_qs} + vim));
    ASSERT_TRUE(QFile::remove(bin + u"/x-terminal-emulator"_qs) && install(u"x-terminal-emulator"_qs));
    EXPECT_EQ(in({u"XFCE"_qs}), (QStringList{bin + u"/x-terminal-emulator"_qs, u"-e"_qs} + vim));
    ASSERT_TRUE(install(u"xdg-terminal-exec"_qs));
    EXPECT_EQ(in({u"XFCE"_qs}), QStringList{bin + u"/xdg-terminal-exec"_qs} + vim)
        << "the user's chosen terminal first";
    EXPECT_TRUE(XdgApplications({home}, u"C"_qs).hasTerminal());

    // Launched, the entry's command runs in the terminal; a terminal that runs under a wrapper
    // (here one that starts the command as its child) is the launch's all the same.
    const QString ids = tmp.filePath(u"terminal-ids"_qs);
    const QByteArray file = ids.toUtf8();
    ASSERT_TRUE(install(u"xdg-terminal-exec"_qs, "#!/bin/sh\nPATH=/usr/bin:/bin\n\"$@\" &\necho $$ $! > '" + file
                                                     + ".part' && mv '" + file + ".part' '" + file + "'\nwait\n"));
    write(home, u"org.example.Pager.desktop"_qs,
          "[Desktop Entry]\nType=Application\nName=Pager\nTerminal=true\nExec=sleep 30 %F\n");
    const XdgApplications apps({home}, u"C"_qs);
    const QString sleep = QStandardPaths::findExecutable(u"sleep"_qs, {u"/usr/bin"_qs, u"/bin"_qs});
    ASSERT_FALSE(sleep.isEmpty());
    ASSERT_TRUE(QFile::link(sleep, bin + u"/sleep"_qs));
    ASSERT_TRUE(apps.launch(u"org.example.Pager"_qs));
    const QList<QByteArray> pids = launchedIds(ids);
    qputenv("PATH", path);
    ASSERT_EQ(pids.size(), 2) << "the terminal never ran";
    const Pid terminal = pids[0].toLongLong(), command = pids[1].toLongLong();
    // The program by its path, the field code dropped (once the child's exec is through).
    const QByteArray expected = QFile::encodeName(bin + u"/sleep"_qs) + QByteArray("\0" "30\0", 4);
    QByteArray arguments;
    for (int i = 0; i < 500 && arguments != expected; ++i) {
        QFile cmdline(u"/proc/%1/cmdline"_qs.arg(command));
        arguments = cmdline.open(QIODevice::ReadOnly) ? cmdline.readAll() : QByteArray();
        if (arguments != expected)
            std::this_thread::sleep_for(std::chrono::milliseconds(10)); // a real process: poll its exec
    }
    EXPECT_EQ(arguments, expected);
    const ProcessLaunch pager{u"org.example.Pager"_qs, true};
    EXPECT_EQ(apps.launchOf(terminal), pager);
    EXPECT_EQ(apps.launchOf(command), pager);
    ::kill(pid_t(command), SIGTERM);
    ::kill(pid_t(terminal), SIGTERM);
}

TEST_F(XdgFixture, LaunchingRunsOnlyAnInstalledEntrysCommandInASessionOfItsOwn)
{
    const QString marker = tmp.filePath(u"marker"_qs), evil = tmp.filePath(u"evil"_qs);
    write(home, u"org.example.Marker.desktop"_qs,
          "[Desktop Entry]\nType=Application\nName=Marker\nExec=/bin/sh -c \"cat /proc/self/stat > '"
              + marker.toUtf8() + "'\" %U\n");
    write(home, u"org.example.Absent.desktop"_qs,
          "[Desktop Entry]\nType=Application\nName=Absent\nTryExec=/nonexistent/program\nExec=/bin/touch " + evil.toUtf8()
              + "\n");
    write(home, u"org.example.Broken.desktop"_qs,
          "[Desktop Entry]\nType=Application\nName=Broken\nExec=/nonexistent/program " + evil.toUtf8() + "\n");
    const XdgApplications apps({home, system}, u"C"_qs);

    ASSERT_TRUE(apps.launch(u"org.example.Marker"_qs));
    QByteArray stat;
    for (int i = 0; i < 500 && stat.isEmpty(); ++i) {
        QFile file(marker);
        if (file.open(QIODevice::ReadOnly))
            stat = file.readAll();
        if (stat.isEmpty())
            std::this_thread::sleep_for(std::chrono::milliseconds(10)); // a real process: poll its outcome
    }
    ASSERT_FALSE(stat.isEmpty()) << "the entry's command never ran";
    const QList<QByteArray> fields = stat.mid(stat.lastIndexOf(')') + 2).split(' ');
    ASSERT_GT(fields.size(), 3);
    EXPECT_NE(fields[3].toLongLong(), qint64(::getsid(0))) << "a session of its own";

    // Ids are only ever looked up: shell syntax and paths in them never run anything, a
    // missing TryExec program or Exec program means not installed.
    for (const QString& id : {u"org.example.Marker;touch evil"_qs, u"$(touch evil)"_qs, u"`touch evil`"_qs,
                              u"/bin/touch "_qs + evil, u"../applications/org.example.Marker"_qs, evil,
                              u"org.example.Marker && touch evil"_qs, u"org.example.Absent"_qs,
                              u"org.example.Broken"_qs})
        EXPECT_FALSE(apps.launch(id)) << id.toStdString();
    EXPECT_FALSE(QFile::exists(evil));
    EXPECT_FALSE(QFile::exists(home + u"/evil"_qs));
}

TEST_F(XdgFixture, ALaunchedProcessIsKnownByItsEntryFromItsLaunchAndFromItsEnvironmentAfterwards)
{
    // A descriptor left open across exec, as a careless library leaves one: the program gets
    // none of ours all the same.
    int leaked[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM, 0, leaked), 0);
    // The program writes its own process id and that of a child it starts, then keeps running.
    const QString ids = tmp.filePath(u"ids"_qs);
    write(home, u"org.example.Parent.desktop"_qs,
          "[Desktop Entry]\nType=Application\nName=Parent\nExec=/bin/sh -c \"sleep 30 & echo $$ $! > '" + ids.toUtf8()
              + ".part' && mv '" + ids.toUtf8() + ".part' '" + ids.toUtf8() + "' && exec sleep 30\"\n");
    const XdgApplications apps({home, system}, u"C"_qs);
    ASSERT_TRUE(apps.launch(u"org.example.Parent"_qs));
    const QList<QByteArray> pids = launchedIds(ids);
    ASSERT_EQ(pids.size(), 2) << "the entry's command never ran";
    const Pid program = pids[0].toLongLong(), child = pids[1].toLongLong();
    // Both become sleep once the shell's exec is through: an environment read in the middle of
    // an exec finds nothing.
    auto sleeping = [](Pid pid) {
        QFile comm(u"/proc/%1/comm"_qs.arg(pid));
        return comm.open(QIODevice::ReadOnly) && comm.readAll() == "sleep\n";
    };
    for (int i = 0; i < 500 && !(sleeping(program) && sleeping(child)); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // a real process: poll its outcome
    ASSERT_TRUE(sleeping(program) && sleeping(child)) << "the entry's command never reached its sleep";
    ::close(leaked[0]);
    ::close(leaked[1]);
    // The loader opens the libraries for a moment after the exec; a descriptor left to the
    // program stays.
    const std::map<int, std::string> nothingElse{{0, "/dev/null"}, {1, "/dev/null"}, {2, "/dev/null"}};
    for (int i = 0; i < 500 && test::processDescriptors(pid_t(program)) != nothingElse; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10)); // a real process: poll its outcome
    EXPECT_EQ(test::processDescriptors(pid_t(program)), nothingElse);

    const ProcessLaunch direct{u"org.example.Parent"_qs, true}, ofIts{u"org.example.Parent"_qs, false};
    EXPECT_EQ(apps.launchOf(program), direct);
    EXPECT_EQ(apps.launchOf(child), ofIts);
    // Another copy has no record of the launch (as after a restart): the environment tells.
    const XdgApplications later({home, system}, u"C"_qs);
    EXPECT_EQ(later.launchOf(program), direct);
    EXPECT_EQ(later.launchOf(child), ofIts);
    EXPECT_EQ(later.launchOf(Pid(::getpid())), std::nullopt);
    // An entry outside the folders, or no longer installed, tells nothing.
    const XdgApplications elsewhere({system}, u"C"_qs);
    EXPECT_EQ(elsewhere.launchOf(program), std::nullopt);

    // The launch runs, as far as this copy knows, until the program ends.
    using namespace std::chrono_literals;
    EXPECT_TRUE(apps.launchRunning(u"org.example.Parent"_qs, 20s));
    EXPECT_FALSE(apps.launchRunning(u"org.example.Parent"_qs, 0s)) << "launched longer ago than that";
    EXPECT_FALSE(later.launchRunning(u"org.example.Parent"_qs, 20s));
    ::kill(pid_t(child), SIGTERM);
    ::kill(pid_t(program), SIGTERM);
    bool ended = false;
    for (int i = 0; i < 500 && !ended; ++i) {
        ended = !apps.launchRunning(u"org.example.Parent"_qs, 20s);
        if (!ended)
            std::this_thread::sleep_for(std::chrono::milliseconds(10)); // a real process: poll its end
    }
    EXPECT_TRUE(ended);
}

// The installed entries as a window index reads them, each listing counted.
class CountedListings final : public Applications {
public:
    explicit CountedListings(const XdgApplications& apps) : apps_(apps) {}
    std::optional<ApplicationEntry> entry(const QString& id) const override { return apps_.entry(id); }
    std::vector<ApplicationEntry> installed() const override
    {
        ++listings;
        return apps_.installed();
    }
    std::optional<std::uint64_t> generation() const override { return apps_.generation(); }
    mutable int listings = 0;

private:
    const XdgApplications& apps_;
};

// Folders last changed a minute ago, as they are long after anything was installed.
void settle(const QStringList& folders)
{
    const timeval past[2] = {{::time(nullptr) - 60, 0}, {::time(nullptr) - 60, 0}};
    for (const QString& folder : folders)
        ASSERT_EQ(::utimes(QFile::encodeName(folder).constData(), past), 0);
}

// Windows are read many times a second: their index lists the entries once, and again only
// once an entry came or went, in any folder or sub-folder.
TEST_F(XdgFixture, AWindowIndexListsTheEntriesAgainOnlyWhenOneComesOrGoes)
{
    write(system, u"kde4/okular.desktop"_qs, "[Desktop Entry]\nType=Application\nName=Okular\nStartupWMClass=okular\n");
    write(home, u"editor.desktop"_qs, "[Desktop Entry]\nType=Application\nName=Editor\n");
    settle({home, system, system + u"/kde4"_qs});
    XdgApplications xdg({home, system}, u"C"_qs);
    CountedListings apps(xdg);
    WindowApplicationIndex index(apps);
    WindowInfo viewer;
    viewer.appClass = u"Okular"_qs;
    WindowInfo viewer2 = viewer;
    viewer2.appClass = u"Viewer2"_qs;
    for (int read = 0; read < 20; ++read) {
        index.refresh();
        ASSERT_EQ(index.entryFor(viewer).value_or(ApplicationEntry{}).name, u"Okular"_qs);
    }
    // The listing's sub-folders are known after it: at most one listing more.
    EXPECT_LE(apps.listings, 2);
    const int listed = apps.listings;
    index.refresh();
    EXPECT_EQ(apps.listings, listed) << "listed again with nothing changed";

    write(system, u"kde4/viewer2.desktop"_qs, "[Desktop Entry]\nType=Application\nName=Viewer Two\nStartupWMClass=Viewer2\n");
    index.refresh();
    EXPECT_EQ(index.entryFor(viewer2).value_or(ApplicationEntry{}).name, u"Viewer Two"_qs) << "added in a sub-folder";
    QFile::remove(home + u"/editor.desktop"_qs);
    index.refresh();
    EXPECT_FALSE(index.entry(u"editor"_qs)) << "removed";
    settle({home, system, system + u"/kde4"_qs});
    index.refresh();
    const int settled = apps.listings;
    index.refresh();
    index.refresh();
    EXPECT_EQ(apps.listings, settled);
}

} // namespace
} // namespace fw
