// Application icons of layouts' apps: looked up once, drawn centred in their regions; found in
// the icon theme by our own bounded reads, so that FIFOs planted anywhere in a theme (its index,
// its cache, the icon file) are never opened, by us or by Qt's icon loader.
#include "overlay/AppIcon.h"

#include "base/Log.h"
#include "layout/TreeBuilders.h"
#include "overlay/ThemeIcons.h"
#include "platform/sim/FakeApplications.h"
#include "support/FifoWatch.h"

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <sys/stat.h>

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

// The environment variable set for the life of one object.
struct ScopedEnv {
    ScopedEnv(const char* name, const QByteArray& value) : name(name), old(qgetenv(name)) { qputenv(name, value); }
    ~ScopedEnv() { qputenv(name, old); }
    const char* name;
    QByteArray old;
};

TEST_F(AppsFixture, FifosAnywhereInTheIconThemeAreNeverOpenedAndRealIconsStillShow)
{
    const QString home = dir.filePath(u"home"_qs), data = dir.filePath(u"data"_qs), system = dir.filePath(u"system"_qs);
    ScopedEnv homeEnv("HOME", QFile::encodeName(home));
    ScopedEnv dataEnv("XDG_DATA_HOME", QFile::encodeName(data));
    ScopedEnv systemEnv("XDG_DATA_DIRS", QFile::encodeName(system));
    const auto image = [](const QString& path, QColor color) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QImage img(48, 48, QImage::Format_ARGB32);
        img.fill(color);
        ASSERT_TRUE(img.save(path));
    };
    const auto fifo = [](const QString& path) {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0) << path.toStdString();
    };
    // The system's hicolor, whole; the user's folders hold FIFOs in its index, its cache and an icon.
    const QString index = u"[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps,scalable/apps\n\n"
                          "[48x48/apps]\nSize=48\nType=Fixed\n\n[scalable/apps]\nSize=48\nType=Scalable\n"_qs;
    ASSERT_TRUE(QDir().mkpath(system + u"/icons/hicolor"_qs));
    QFile indexFile(system + u"/icons/hicolor/index.theme"_qs);
    ASSERT_TRUE(indexFile.open(QIODevice::WriteOnly));
    indexFile.write(index.toUtf8());
    indexFile.close();
    image(system + u"/icons/hicolor/48x48/apps/red-app.png"_qs, Qt::red);
    image(system + u"/icons/hicolor/48x48/apps/shadowed.png"_qs, Qt::blue);
    const QStringList fifos{home + u"/.icons/hicolor/index.theme"_qs, data + u"/icons/hicolor/icon-theme.cache"_qs,
                            data + u"/icons/hicolor/48x48/apps/shadowed.png"_qs,
                            data + u"/icons/hicolor/48x48/apps/only-fifo.png"_qs, dir.filePath(u"file-icon.png"_qs)};
    for (const QString& path : fifos)
        fifo(path);
    apps->add(u"red.app"_qs, u"Red"_qs, u"red-app"_qs);
    apps->add(u"shadowed.app"_qs, u"Shadowed"_qs, u"shadowed"_qs);
    apps->add(u"fifo.app"_qs, u"Fifo"_qs, u"only-fifo"_qs);
    apps->add(u"file.app"_qs, u"File"_qs, fifos.back());
    AppIcon::resetCache();

    log::Capture capture;
    const QStringList qtPaths = QIcon::themeSearchPaths();
    {
        test::FifoWatch watch(fifos);
        const auto red = AppIcon::icon(u"red.app"_qs);
        ASSERT_TRUE(red);
        EXPECT_EQ(red->pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::red));
        // The FIFO in the user's folder is passed over for the system's file of the same name.
        const auto shadowed = AppIcon::icon(u"shadowed.app"_qs);
        ASSERT_TRUE(shadowed);
        EXPECT_EQ(shadowed->pixmap(16).toImage().pixelColor(8, 8), QColor(Qt::blue));
        EXPECT_FALSE(AppIcon::icon(u"fifo.app"_qs));
        EXPECT_FALSE(AppIcon::icon(u"file.app"_qs));
        // Qt's own loader, kept to the built-in icons, opens none of them either.
        ThemeIcons::keepQtOffIconThemes();
        EXPECT_TRUE(QIcon::fromTheme(u"only-fifo"_qs).pixmap(32).isNull());
        EXPECT_TRUE(QIcon::fromTheme(u"shadowed"_qs).pixmap(32).isNull());
        EXPECT_EQ(watch.opened(), 0) << "a FIFO of the icon theme was opened";
    }
    QIcon::setThemeSearchPaths(qtPaths);
    const QString logged = capture.messages(LogCategory::App).join(u'\n');
    EXPECT_TRUE(logged.contains(u"index.theme not read: it is a FIFO"_qs)) << logged.toStdString();
    EXPECT_TRUE(logged.contains(u"only-fifo.png not read: it is a FIFO"_qs)) << logged.toStdString();
}

} // namespace
} // namespace fw
