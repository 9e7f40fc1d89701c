// What's New: the table, the selection by version, the launch's choice with its write of
// "lastSeenVersion", and the lines of the notes text.
#include "onboarding/ProductInfo.h"
#include "onboarding/UpdateCheck.h"
#include "onboarding/WelcomeVideo.h"
#include "onboarding/WhatsNew.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

QStringList versions(const std::vector<WhatsNew::Entry>& entries)
{
    QStringList out;
    for (const auto& e : entries)
        out << e.version;
    return out;
}

TEST(WhatsNew, TableNewestFirstWithLinuxKeyNames)
{
    const auto& table = WhatsNew::releaseNotes();
    ASSERT_EQ(table.size(), 25u);
    EXPECT_EQ(table.front().version, "1.18.1");
    EXPECT_EQ(table.back().version, "1.9");
    int notes = 0;
    for (std::size_t i = 0; i < table.size(); ++i) {
        notes += table[i].notes.size();
        if (i > 0) {
            EXPECT_TRUE(UpdateCheck::isNewer(table[i - 1].version, table[i].version)) << table[i].version.toStdString();
        }
        for (const QString& n : table[i].notes)
            EXPECT_FALSE(n.contains(QChar(0x2303)) || n.contains(QChar(0x2325))) << n.toStdString();
    }
    EXPECT_EQ(notes, 39);
    EXPECT_TRUE(table[12].notes[0].endsWith("Its heading is simply \"Drag into a region.\""));
    // Without a video the first note stands alone: nothing for an "also" to follow.
    if (welcomeVideoURL().isEmpty()) {
        EXPECT_EQ(table.front().notes, QStringList{"Getting Started explains the window previews."});
    }
}

TEST(WhatsNew, SelectionByVersion)
{
    EXPECT_EQ(versions(WhatsNew::entries("1.17.5", "1.18")),
              QStringList({"1.18", "1.17.9", "1.17.8", "1.17.7", "1.17.6"}));
    EXPECT_EQ(versions(WhatsNew::entries("1.17.3", "1.17.4.1")), QStringList({"1.17.4"}));
    EXPECT_TRUE(WhatsNew::entries("1.17", "1.17").empty());
    EXPECT_TRUE(WhatsNew::entries("1.18", "1.17").empty()) << "a downgrade";
    EXPECT_TRUE(WhatsNew::entries("1.13.3", "0").empty()) << "no bundle version";
    EXPECT_TRUE(WhatsNew::entries("2.0", "2.1").empty()) << "newer than every row";
    EXPECT_EQ(WhatsNew::entries("0", "99").size(), 25u);
}

TEST(WhatsNew, LaunchChoiceRecordsTheInstalledVersionFirst)
{
    MemoryDefaults d;
    EXPECT_TRUE(WhatsNew::entriesForLaunch(d, "1.18.1", true).empty()) << "first launch ever";
    EXPECT_EQ(d.stringValue(WhatsNew::lastSeenKey), "1.18.1");

    // The product is the latest release the notes describe, so an earlier user sees them.
    EXPECT_EQ(productVersion(), WhatsNew::releaseNotes().front().version);
    MemoryDefaults existing;   // an earlier user without the key
    const auto rows = WhatsNew::entriesForLaunch(existing, productVersion(), false);
    EXPECT_EQ(rows.size(), 20u);
    EXPECT_EQ(rows.front().version, "1.18.1");
    EXPECT_EQ(rows.back().version, "1.14");
    EXPECT_EQ(existing.stringValue(WhatsNew::lastSeenKey), "1.18.1");
    EXPECT_TRUE(WhatsNew::entriesForLaunch(existing, "1.18.1", false).empty()) << "shown at most once per update";

    MemoryDefaults downgraded;
    downgraded.setValue(WhatsNew::lastSeenKey, "1.18");
    EXPECT_TRUE(WhatsNew::entriesForLaunch(downgraded, "1.17", false).empty());
    EXPECT_EQ(downgraded.stringValue(WhatsNew::lastSeenKey), "1.17");
}

TEST(WhatsNew, NotesLines)
{
    using Kind = WhatsNew::Line::Kind;
    const auto one = WhatsNew::notesLines({{"1.16", {"A.", "B."}}});
    EXPECT_EQ(one, (std::vector<WhatsNew::Line>{{Kind::heading, "Version 1.16"}, {Kind::bullet, "A."}, {Kind::bullet, "B."}}));
    const auto two = WhatsNew::notesLines({{"1.16", {"A."}}, {"1.15", {"B."}}});
    EXPECT_EQ(two, (std::vector<WhatsNew::Line>{{Kind::heading, "Version 1.16"},
                                                {Kind::bullet, "A."},
                                                {Kind::blank, ""},
                                                {Kind::heading, "Version 1.15"},
                                                {Kind::bullet, "B."}}));
    EXPECT_TRUE(WhatsNew::notesLines({}).empty());
}

} // namespace
} // namespace fw
