// Matching windows to their applications' desktop entries: by the launch that opened them,
// their application id, WM_CLASS, and the program they run.
#include "platform/Applications.h"
#include "platform/sim/FakeApplications.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

ApplicationEntry entry(QString id, QString name, QString startupClass = {})
{
    ApplicationEntry e;
    e.id = std::move(id);
    e.name = std::move(name);
    e.startupWmClass = std::move(startupClass);
    return e;
}

QString nameFor(const WindowApplicationIndex& index, const QString& cls, const QString& instance)
{
    auto e = index.entryFor(cls, instance);
    return e ? e->name : QStringLiteral("<none>");
}

TEST(WindowApplicationIndex, StartupClassThenIdThenNameEachIgnoringCase)
{
    FakeApplications apps;
    apps.add(entry("org.gnome.Terminal", "Terminal", "Gnome-terminal"));
    apps.add(entry("org.kde.kate", "Kate"));
    apps.add(entry("firefox-esr", "Firefox ESR"));
    apps.add(entry("writer-launcher", "LibreOffice Writer", "libreoffice-writer"));
    apps.add(entry("gimp", "GNU Image Manipulation Program"));
    apps.add(entry("painter", "Gimp"));
    WindowApplicationIndex index(apps);
    index.rebuild();

    EXPECT_EQ(nameFor(index, "GNOME-TERMINAL", "gnome-terminal-server"), "Terminal");
    // The instance serves where the class does not match.
    EXPECT_EQ(nameFor(index, "Soffice", "libreoffice-writer"), "LibreOffice Writer");
    // The id's last dotted part stands for reverse-domain ids.
    EXPECT_EQ(nameFor(index, "Kate", "kate"), "Kate");
    EXPECT_EQ(nameFor(index, "Firefox-esr", "Navigator"), "Firefox ESR");
    // An id match comes before an entry that merely has the class as its name.
    EXPECT_EQ(nameFor(index, "Gimp", "gimp-2.10"), "GNU Image Manipulation Program");
    EXPECT_EQ(nameFor(index, "Unknown", "unknown"), "<none>");
    EXPECT_EQ(nameFor(index, "", ""), "<none>");
}

TEST(WindowApplicationIndex, AStartupClassWinsOverAnotherEntrysIdAndRebuildSeesNewEntries)
{
    FakeApplications apps;
    apps.add(entry("xterm", "XTerm"));
    apps.add(entry("my-terminal", "My Terminal", "XTerm"));
    WindowApplicationIndex index(apps);
    EXPECT_EQ(nameFor(index, "XTerm", "xterm"), "<none>") << "nothing is known before the first rebuild";
    index.rebuild();
    EXPECT_EQ(nameFor(index, "XTerm", "xterm"), "My Terminal");

    apps.add(entry("editor", "Editor", "Gedit"));
    EXPECT_EQ(nameFor(index, "Gedit", "gedit"), "<none>");
    index.rebuild();
    EXPECT_EQ(nameFor(index, "Gedit", "gedit"), "Editor");
}

TEST(WindowApplicationIndex, TheEntryThatOpenedAWindowComesBeforeItsClassForItsOwnApplicationOnly)
{
    FakeApplications apps;
    apps.add(entry("debian-xterm", "XTerm", "XTerm"));
    apps.add(entry("xterm", "XTerm")); // the user's own, named like the program
    apps.add(entry("xclock", "XClock", "XClock"));
    apps.add(entry("org.example.Notes", "Notes"));
    apps.setLaunch(10, {"xterm", true});
    apps.setLaunch(11, {"xterm", false});      // a child of that launch
    apps.setLaunch(12, {"org.example.Gone", true}); // no such entry (any more)
    apps.setLaunch(13, {"org.example.Notes", true});
    WindowApplicationIndex index(apps);
    index.rebuild();
    const auto idFor = [&](Pid pid, const QString& cls, const QString& instance, const QString& applicationId = {}) {
        const auto e = index.entryFor(WindowInfo{.pid = pid, .appClass = cls, .appInstance = instance,
                                                 .applicationId = applicationId});
        return e ? e->id : u"<none>"_qs;
    };

    EXPECT_EQ(idFor(10, "XTerm", "xterm"), "xterm") << "launched from the user's entry";
    EXPECT_EQ(idFor(9, "XTerm", "xterm"), "debian-xterm") << "any other xterm, by its class";
    EXPECT_EQ(idFor(11, "XTerm", "xterm"), "xterm") << "an xterm started from it";
    EXPECT_EQ(idFor(11, "XClock", "xclock"), "xclock") << "another program started from it";
    EXPECT_EQ(idFor(12, "XTerm", "xterm"), "debian-xterm");
    // The launched process itself is its entry's whatever its class says.
    EXPECT_EQ(idFor(13, "Python3", "notes.py"), "org.example.Notes");
    // The id the application gives itself comes before the class.
    EXPECT_EQ(idFor(9, "XTerm", "xterm", "org.example.Notes"), "org.example.Notes");
    EXPECT_EQ(idFor(9, "XTerm", "xterm", "org.example.Unknown"), "debian-xterm");

    EXPECT_TRUE(entryNamesClass(*apps.entry("xterm"), "XTerm", "xterm"));
    EXPECT_TRUE(entryNamesClass(*apps.entry("debian-xterm"), "XTerm", "xterm"));
    EXPECT_FALSE(entryNamesClass(*apps.entry("debian-xterm"), "Debian-xterm", "debian-xterm")) << "its class decides";
    EXPECT_TRUE(entryNamesClass(*apps.entry("org.example.Notes"), "Notes", "notes"));
    EXPECT_FALSE(entryNamesClass(*apps.entry("xclock"), "XTerm", "xterm"));
}

// GIMP as Debian installs it: run as its entry's Exec names it, it takes its class from argv[0]
// and sets no application id, and the entry names no class.
TEST(WindowApplicationIndex, AWindowWhoseProgramAnEntryRunsIsThatEntrysAfterTheClassRules)
{
    const auto runs = [](QString id, QString name, QString exec, QString tryExec = {}, bool terminal = false) {
        ApplicationEntry e = entry(std::move(id), std::move(name));
        e.exec = std::move(exec);
        e.tryExec = std::move(tryExec);
        e.terminal = terminal;
        return e;
    };
    FakeApplications apps;
    apps.add(runs("gimp", "GNU Image Manipulation Program", "gimp-2.10 %U", "gimp-2.10"));
    apps.add(runs("org.example.Viewer", "Viewer", "env GDK_BACKEND=x11 /opt/viewer/bin/view-it %F"));
    // An office suite: one program, an entry for each of its parts and one that runs it alone.
    apps.add(runs("suite-writer", "Suite Writer", "suite --writer %U"));
    apps.add(runs("suite-calc", "Suite Calc", "suite --calc %U"));
    apps.add(runs("suite-start", "Suite", "suite %U"));
    apps.add(runs("draw-a", "Draw A", "draw --a"));
    apps.add(runs("draw-b", "Draw B", "draw --b"));
    // Programs that are not the application: an interpreter, a terminal app's.
    apps.add(runs("org.example.Script", "Script", "python3 /usr/share/script/main.py"));
    apps.add(runs("vim", "Vim", "vim %F", {}, true));
    apps.add(entry("tool", "Tool", "ToolClass"));
    apps.add(runs("tool-helper", "Tool Helper", "tool-bin"));
    apps.setProgramNames(20, {"gimp-2.10"});
    apps.setProgramNames(21, {"view-it"});
    apps.setProgramNames(22, {"python3.11", "python3"});
    apps.setProgramNames(23, {"vim.basic", "vim"});
    apps.setProgramNames(24, {"tool-bin"});
    apps.setProgramNames(25, {"suite"});
    apps.setProgramNames(26, {"draw"});
    WindowApplicationIndex index(apps);
    index.rebuild();
    const auto idFor = [&](Pid pid, const QString& cls, const QString& instance) {
        const auto e = index.entryFor(WindowInfo{.pid = pid, .appClass = cls, .appInstance = instance});
        return e ? e->id : u"<none>"_qs;
    };

    EXPECT_EQ(idFor(0, "Gimp-2.10", "gimp-2.10"), "gimp") << "by the class's instance";
    EXPECT_EQ(idFor(20, "Toolbox", "main"), "gimp") << "by the process's program";
    EXPECT_EQ(idFor(21, "Viewer-x", "viewer-x"), "org.example.Viewer") << "past env, by the program's file name";
    EXPECT_EQ(idFor(25, "Suite", "suite-doc"), "suite-start") << "the entry that runs the program alone";
    EXPECT_EQ(idFor(26, "Draw", "drawing"), "<none>") << "two entries, neither alone";
    EXPECT_EQ(idFor(22, "Tk", "tk"), "<none>") << "an interpreter names no application";
    EXPECT_EQ(idFor(23, "XTerm", "xterm"), "<none>") << "a terminal app's program owns no window";
    EXPECT_EQ(idFor(24, "ToolClass", "toolclass"), "tool") << "the class rules come first";
}

} // namespace
} // namespace fw
