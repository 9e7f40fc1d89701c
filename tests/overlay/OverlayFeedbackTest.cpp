// The overlay behind the coordinator's feedback seam: calls reach the controller, the cancel
// callback reaches the panels, and thumbnails reach the assist tiles.
#include "overlay/OverlayFeedback.h"

#include "base/Clock.h"
#include "overlay/OverlayController.h"
#include "overlay/OverlayWindow.h"
#include "overlay/RegionAssistView.h"
#include "overlay/WindowThumbnailButton.h"

#include <QApplication>
#include <QImage>
#include <QTest>
#include <gtest/gtest.h>

namespace fw {
namespace {

ManagedWindow window(WindowId id) { return ManagedWindow{id, Pid(id), QStringLiteral("Window %1").arg(id), "App"}; }

TEST(OverlayFeedback, HandsEachCallToTheController)
{
    VirtualClock clock;
    OverlayController overlay(&clock);
    OverlayFeedback feedback(overlay);
    int cancels = 0;
    feedback.setOnCancel([&] { ++cancels; });

    feedback.showPreview(Rect(10, 20, 300, 200));
    EXPECT_TRUE(overlay.preview()->isOrderedIn());
    EXPECT_EQ(overlay.preview()->frame(), Rect(10, 20, 300, 200));

    auto red = std::make_shared<const QImage>([] {
        QImage i(40, 30, QImage::Format_ARGB32);
        i.fill(Qt::red);
        return i;
    }());
    feedback.showRegionAssist({{0, Rect(0, 0, 400, 300)}}, {window(7), window(8)}, {{window(7), red}},
                              [](RegionNumber, const ManagedWindow&) {}, [](RegionNumber) {});
    RegionAssistView* view = overlay.assistViews().at(0);
    EXPECT_TRUE(view->choices().at(window(7))->thumbnail);
    EXPECT_FALSE(view->choices().at(window(8))->thumbnail);
    feedback.updateAssistThumbnail(red, window(8));
    feedback.updateAssistThumbnail(nullptr, window(7)); // nothing to draw: ignored
    EXPECT_EQ(view->choices().at(window(8))->thumbnail->pixelColor(5, 5), QColor(Qt::red));
    EXPECT_TRUE(feedback.containsPoint(Point{100, 100}));

    QTest::mouseClick(view->doneButton(), Qt::LeftButton);
    EXPECT_EQ(cancels, 1) << "the panels' Done reaches the coordinator's cancel";

    feedback.hideAll();
    EXPECT_FALSE(overlay.preview()->isOrderedIn());
    EXPECT_TRUE(overlay.assistPanels().empty());
    EXPECT_FALSE(feedback.containsPoint(Point{100, 100}));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace
} // namespace fw
