// Application names and the summary line of layouts' apps.
#include "snap/AppNames.h"

#include "layout/TreeBuilders.h"
#include "platform/sim/FakeApplications.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

struct AppsFixture : ::testing::Test {
    std::shared_ptr<FakeApplications> apps = std::make_shared<FakeApplications>();

    void SetUp() override { AppNames::setApplications(apps); }
    void TearDown() override { AppNames::setApplications(nullptr); }
};

TEST_F(AppsFixture, DisplayNamesAreTheInstalledNames)
{
    apps->add(u"org.example.Mail"_qs, u"Mail"_qs);
    apps->add(u"org.example.Web"_qs, u"Web.app Builder"_qs);
    apps->add(u"org.example.Odd"_qs, u""_qs);
    EXPECT_EQ(AppNames::displayName(u"org.example.Mail"_qs), u"Mail"_qs);
    EXPECT_EQ(AppNames::displayName(u"org.example.Web"_qs), u"Web.app Builder"_qs) << "names are shown as installed";
    EXPECT_EQ(AppNames::displayName(u"org.example.Odd"_qs), u"org.example.Odd"_qs) << "never an empty name";
    EXPECT_EQ(AppNames::displayName(u"not.installed"_qs), u"not.installed"_qs);
    EXPECT_EQ(appNames({u"org.example.Mail"_qs, u"gone"_qs, u"org.example.Mail"_qs}),
              (QStringList{u"Mail"_qs, u"gone"_qs, u"Mail"_qs}));
    // Names are not cached: a renamed application shows its new name.
    apps->add(u"org.example.Mail"_qs, u"Post"_qs);
    EXPECT_EQ(AppNames::displayName(u"org.example.Mail"_qs), u"Post"_qs);
}

TEST_F(AppsFixture, OrderFollowsNamesIgnoringCase)
{
    apps->add(u"z.first"_qs, u"apple"_qs);
    apps->add(u"a.second"_qs, u"Banana"_qs);
    apps->add(u"m.same"_qs, u"Apple"_qs);
    EXPECT_TRUE(AppNames::displayNameOrder(u"z.first"_qs, u"a.second"_qs)) << "by name, not by id";
    EXPECT_FALSE(AppNames::displayNameOrder(u"a.second"_qs, u"z.first"_qs));
    EXPECT_FALSE(AppNames::displayNameOrder(u"z.first"_qs, u"m.same"_qs));
    EXPECT_FALSE(AppNames::displayNameOrder(u"m.same"_qs, u"z.first"_qs));
    EXPECT_TRUE(AppNames::displayNameOrder(u"m.same"_qs, u"b.unknown.id"_qs)) << "an unknown id sorts by itself";
}

TEST_F(AppsFixture, SummaryReadsColumnsLeftToRightWhateverTheRegionNumbers)
{
    apps->add(u"a"_qs, u"Alpha"_qs);
    apps->add(u"b"_qs, u"Beta"_qs);
    apps->add(u"c"_qs, u"Gamma"_qs);
    // Left column region 3, right column split into top 1 and bottom 0.
    const RegionTree tree = H(0.5, L(3), V(0.5, L(1), L(0)));
    const SnapLayout::AppMap map{{0, {u"c"_qs}}, {1, {u"b"_qs, u"x.unknown"_qs}}, {3, {u"a"_qs}}};
    EXPECT_EQ(AppNames::summary(tree, map), u"Alpha · Beta + x.unknown · Gamma"_qs);

    // Regions the tree lacks and empty lists leave no trace.
    const SnapLayout::AppMap noisy{{0, {u"c"_qs}}, {7, {u"a"_qs}}, {1, {}}};
    EXPECT_EQ(AppNames::summary(tree, noisy), u"Gamma"_qs);
    EXPECT_FALSE(AppNames::summary(tree, SnapLayout::AppMap{{9, {u"a"_qs}}, {1, {}}}));
    EXPECT_FALSE(AppNames::summary(tree, SnapLayout::AppMap{}));
    EXPECT_FALSE(AppNames::summary(tree, std::nullopt));

    // Rows of a column in the left column read top to bottom.
    const RegionTree rows = H(0.5, V(0.3, L(5), L(4)), L(2));
    EXPECT_EQ(AppNames::summary(rows, SnapLayout::AppMap{{2, {u"c"_qs}}, {4, {u"b"_qs}}, {5, {u"a"_qs}}}),
              u"Alpha · Beta · Gamma"_qs);
}

} // namespace
} // namespace fw
