// Matching windows to their applications' desktop entries by WM_CLASS.
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

} // namespace
} // namespace fw
