// Application icons of layouts' apps: looked up once, drawn centred in their regions.
#include "overlay/AppIcon.h"

#include "layout/TreeBuilders.h"
#include "platform/sim/FakeApplications.h"

#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace fw {
namespace {

struct AppsFixture : ::testing::Test {
    std::shared_ptr<FakeApplications> apps = std::make_shared<FakeApplications>();
    QTemporaryDir dir;

    void SetUp() override { AppIcon::setApplications(apps); }
    void TearDown() override { AppIcon::setApplications(nullptr); }

    QString iconFile(const QString& name, QColor color)
    {
        QImage img(64, 64, QImage::Format_ARGB32);
        img.fill(color);
        const QString path = dir.filePath(name + u".png"_qs);
        img.save(path);
        return path;
    }
};

TEST_F(AppsFixture, IconsComeFromTheFirstAppOfARegionAndAreCachedOnce)
{
    const QString red = iconFile(u"red"_qs, Qt::red);
    const QString blue = iconFile(u"blue"_qs, Qt::blue);
    apps->add(u"red.app"_qs, u"Red"_qs, red);
    apps->add(u"blue.app"_qs, u"Blue"_qs, blue);

    const auto icons = appIcons({{0, {u"missing"_qs, u"red.app"_qs}}, {1, {u"red.app"_qs}}, {2, {}}, {3, {u"blue.app"_qs}}});
    EXPECT_EQ(icons.count(0), 0u) << "a region whose first app is not installed has no icon";
    ASSERT_EQ(icons.count(1), 1u);
    EXPECT_EQ(icons.at(1).pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
    EXPECT_EQ(icons.count(3), 1u);
    EXPECT_EQ(AppIcon::cacheSize(), 2u) << "misses are not cached";

    // A replaced application keeps the icon cached first.
    apps->add(u"red.app"_qs, u"Red"_qs, blue);
    EXPECT_EQ(AppIcon::icon(u"red.app"_qs)->pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
    // An application installed later is found on the next use.
    EXPECT_FALSE(AppIcon::icon(u"later"_qs));
    apps->add(u"later"_qs, u"Later"_qs, blue);
    EXPECT_TRUE(AppIcon::icon(u"later"_qs));
}

TEST(AppIconGeometry, IconSideFollowsTheRegionArea)
{
    EXPECT_EQ(AppIcon::iconRect(QRectF(0, 0, 30, 20), 22), QRectF(7, 2, 16, 16));
    EXPECT_EQ(AppIcon::iconRect(QRectF(10, 10, 100, 100), 22), QRectF(49, 49, 22, 22));
    EXPECT_FALSE(AppIcon::iconRect(QRectF(0, 0, 12.9, 13), 30)) << "under 13 × 13 points: no icon";
    EXPECT_EQ(AppIcon::iconRect(QRectF(0, 0, 13, 13), 30), QRectF(2, 2, 9, 9));
}

TEST_F(AppsFixture, DrawsEachRegionsIconCentredInItsArea)
{
    apps->add(u"red.app"_qs, u"Red"_qs, iconFile(u"red"_qs, Qt::red));
    QImage canvas(200, 100, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    {
        QPainter p(&canvas);
        AppIcon::drawRegionIcons(p, H(0.5, L(1), L(0)), SnapLayout::AppMap{{0, {u"red.app"_qs}}, {1, {u"gone"_qs}}},
                                 QRectF(0, 0, 200, 100), 30);
        AppIcon::drawRegionIcons(p, H(0.5, L(1), L(0)), std::nullopt, QRectF(0, 0, 200, 100), 30);
    }
    EXPECT_EQ(canvas.pixelColor(150, 50), QColor(Qt::red)) << "region 0 is the right half";
    EXPECT_EQ(canvas.pixelColor(150 - 14, 50 - 14), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(150 - 16, 50), QColor(Qt::transparent)) << "30 points at most";
    EXPECT_EQ(canvas.pixelColor(50, 50), QColor(Qt::transparent));
}

} // namespace
} // namespace fw
