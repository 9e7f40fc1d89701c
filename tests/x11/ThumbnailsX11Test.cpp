// Window thumbnails on a real server (openbox): the test client's picture, taken through
// Composite and scaled to the side asked for, shows the client's own colours, and a minimized
// window gets no thumbnail while the windows around it still do.
#include "platform/x11/X11WindowCapture.h"
#include "overlay/ThumbnailImage.h"
#include "transitions/WindowThumbnails.h"
#include "x11/AccessRig.h"
#include "x11/XSession.h"

#include <QImage>
#include <gtest/gtest.h>

#include <set>

namespace fw {
namespace {

using test::XSession;

bool near(QRgb pixel, QRgb want)
{
    return std::abs(qRed(pixel) - qRed(want)) < 24 && std::abs(qGreen(pixel) - qGreen(want)) < 24
        && std::abs(qBlue(pixel) - qBlue(want)) < 24;
}

TEST(ThumbnailsX11, TheClientsColoursThroughTheRealCaptureAndNothingForAMinimizedWindow)
{
    XSession session;
    ASSERT_TRUE(session.ok()) << session.error();
    if (session.windowManager() == QLatin1String("evilwm"))
        GTEST_SKIP() << "evilwm does not minimize windows";
    auto painted = session.startTestClient(QStringLiteral("Painted"),
                                           {"--colors", "ff0000,0000ff", "--size", "800x600", "--position", "100,100"});
    auto hidden = session.startTestClient(QStringLiteral("Hidden"),
                                          {"--colors", "00ff00,00ff00", "--size", "300x200", "--position", "1000,100"});
    auto small = session.startTestClient(QStringLiteral("Small"),
                                         {"--colors", "ffff00,00ffff", "--size", "200x150", "--position", "1000,500"});
    ASSERT_TRUE(painted.window && hidden.window && small.window) << session.error();

    test::AccessRig rig(session);
    X11WindowCapture capture(session.display());
    ASSERT_TRUE(capture.available());
    WindowThumbnails thumbnails(rig.access, rig.permissions, capture);
    const auto big = ManagedWindow::make(rig.ws, painted.window);
    const auto gone = ManagedWindow::make(rig.ws, hidden.window);
    const auto little = ManagedWindow::make(rig.ws, small.window);
    ASSERT_TRUE(big && gone && little);
    const auto frame = rig.access.frame(*big);
    ASSERT_TRUE(frame);
    ASSERT_EQ(session.run({"xdotool", "windowminimize", QString::number(hidden.window)}), 0);
    ASSERT_TRUE(session.waitFor([&] { return !session.isViewable(hidden.window); }));

    std::vector<std::pair<ManagedWindow, Thumbnail>> got;
    const auto take = [&] {
        got.clear();
        ThumbnailDelivery deliver = [&](const ManagedWindow& w, Thumbnail image) { got.emplace_back(w, image); };
        return test::runOnQtLoop(thumbnails.captureWindowThumbnails({*big, *gone, *little}, 520, deliver));
    };
    // The client paints once it is exposed: take the pictures again until its colours show.
    const auto colourful = [&] {
        if (got.empty() || !got[0].second)
            return false;
        const QImage image = thumbnailImage(got[0].second);
        const int y = image.height() * 2 / 3;
        return near(image.pixel(image.width() / 5, y), qRgb(255, 0, 0))
            && near(image.pixel(image.width() * 4 / 5, y), qRgb(0, 0, 255));
    };
    ASSERT_TRUE(session.waitFor([&] { return take() && colourful(); }))
        << "the thumbnail never showed the client's red and blue halves";

    ASSERT_EQ(got.size(), 2u);   // the minimized window has none
    EXPECT_EQ(got[0].first, *big);
    EXPECT_EQ(got[1].first, *little);
    // The frame with its decorations, scaled to 520 on its longer side.
    const PixelSize expected = thumbnailSize(frame->size, 520);
    EXPECT_EQ(expected.width, 520);
    EXPECT_EQ(got[0].second->size(), expected);
    const QImage image = thumbnailImage(got[0].second);
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 4)
        for (int x = 0; x < image.width(); x += 4)
            colours.insert(image.pixel(x, y));
    EXPECT_GE(colours.size(), 3u) << "a blank picture";
    // A window smaller than the side keeps its size.
    const auto smallFrame = rig.access.frame(*little);
    ASSERT_TRUE(smallFrame);
    EXPECT_EQ(got[1].second->size(), (PixelSize{int(smallFrame->width()), int(smallFrame->height())}));
}

} // namespace
} // namespace fw
