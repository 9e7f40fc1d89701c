// The overlay behind the coordinator's feedback seam: calls reach the controller, the cancel
// callback reaches the panels, and thumbnails reach the assist tiles. The same picker shown
// again is the panel built before, with the new callbacks and no selection.
#include "overlay/OverlayFeedback.h"

#include "base/Clock.h"
#include "overlay/AppIcon.h"
#include "overlay/OverlayView.h"
#include "overlay/OverlayController.h"
#include "overlay/OverlayWindow.h"
#include "overlay/RegionAssistView.h"
#include "overlay/WindowThumbnailButton.h"
#include "platform/sim/FakeApplications.h"

#include <QApplication>
#include <QImage>
#include <QPointer>
#include <QTemporaryDir>
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

    auto red = std::make_shared<const PixelImage>(40, 30, argb(255, 255, 0, 0));
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

QIcon filled(Qt::GlobalColor color)
{
    QPixmap p(16, 16);
    p.fill(color);
    return QIcon(p);
}

TEST(OverlayFeedback, ShowsThePickerWithOccupantIconsAndReportsItsSelection)
{
    VirtualClock clock;
    OverlayController overlay(&clock);
    OverlayFeedback feedback(overlay);
    // Window 5's application has an icon; "notes" is installed with one; window 6's has none.
    QTemporaryDir dir;
    ASSERT_TRUE(filled(Qt::blue).pixmap(16).save(dir.filePath(u"notes.png"_qs)));
    auto apps = std::make_shared<FakeApplications>();
    apps->add(u"notes"_qs, u"Notes"_qs, dir.filePath(u"notes.png"_qs));
    AppIcon::setApplications(apps);
    WindowThumbnailButton::appIconLookup() = [](WindowId window) { return window == 5 ? std::optional(filled(Qt::red)) : std::nullopt; };

    std::vector<SnapSelection> chosen;
    PickerPresentation p;
    p.screen = ScreenInfo{u"S"_qs, u"S"_qs, Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), true};
    p.layouts = {SnapLayout::builtIns()[1]};
    p.occupants = {{u"thirds"_qs, {{0, OccupantIcon{5, u"notes"_qs}}, {1, OccupantIcon{6, u"notes"_qs}}, {2, OccupantIcon{6, {}}}}}};
    std::vector<PickerKey> keys;
    p.choose = [&](SnapSelection s) { chosen.push_back(s); };
    p.key = [&](PickerKey k) { keys.push_back(k); };
    feedback.showPicker(p);
    ASSERT_TRUE(overlay.picker && overlay.pickerView);
    EXPECT_EQ(overlay.picker->frame(), pickerFrame(Rect(0, 0, 1920, 1080), 820, overlay.pickerView->height()));
    const auto& buttons = overlay.pickerView->regionButtons();
    ASSERT_EQ(buttons.size(), 3u);
    auto colour = [](const RegionButton* b) { return b->icon->pixmap(16).toImage().pixelColor(8, 8); };
    EXPECT_EQ(colour(buttons[0].second), QColor(Qt::red)) << "the running application's icon first";
    EXPECT_EQ(colour(buttons[1].second), QColor(Qt::blue)) << "else the installed application's";
    EXPECT_FALSE(buttons[2].second->icon);

    // Keys go to the coordinator as intents; the selection it hands back is drawn.
    QTest::keyClick(overlay.pickerView, Qt::Key_Down);
    QTest::keyClick(overlay.pickerView, Qt::Key_Return);
    EXPECT_EQ(keys, (std::vector<PickerKey>{{PickerKey::nextRegion}, {PickerKey::choose}}));
    EXPECT_FALSE(buttons[0].second->highlightedRegion) << "the view lit a selection of its own";
    feedback.setPickerSelection(SnapSelection{0, 2});
    EXPECT_TRUE(buttons[2].second->highlightedRegion);
    EXPECT_FALSE(buttons[0].second->highlightedRegion);
    QTest::mouseClick(buttons[1].second, Qt::LeftButton, {}, buttons[1].second->exactFrame().center().toPoint()
                                                                   - buttons[1].second->pos());
    EXPECT_EQ(chosen, (std::vector<SnapSelection>{{0, 1}}));

    feedback.hidePicker();
    EXPECT_FALSE(overlay.picker || feedback.pickerHitArea());
    WindowThumbnailButton::appIconLookup() = {};
    AppIcon::setApplications(nullptr);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(OverlayFeedback, ShowsTheSamePickerAgainAsBuiltAndBuildsAnotherWhenItsLayoutsChange)
{
    OverlayController overlay;
    OverlayFeedback feedback(overlay);
    std::vector<int> chosenBy;
    auto presentation = [&](int caller, std::vector<SnapLayout> layouts) {
        PickerPresentation p;
        p.screen = ScreenInfo{u"S"_qs, u"S"_qs, Rect(0, 0, 1920, 1080), Rect(0, 0, 1920, 1080), true};
        p.layouts = std::move(layouts);
        p.dragging = true;
        p.choose = [&chosenBy, caller](SnapSelection) { chosenBy.push_back(caller); };
        return p;
    };
    const std::vector<SnapLayout> two(SnapLayout::builtIns().begin(), SnapLayout::builtIns().begin() + 2);
    feedback.showPicker(presentation(1, two));
    QPointer<OverlayWindow> panel = overlay.picker.get();
    QPointer<OverlayView> view = overlay.pickerView;
    feedback.setPickerSelection(SnapSelection{0, 1});
    feedback.hidePicker();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_TRUE(panel && view) << "the hidden picker is kept";
    EXPECT_FALSE(panel->isOrderedIn());

    feedback.showPicker(presentation(2, two));
    EXPECT_EQ(overlay.picker.get(), panel.data());
    EXPECT_EQ(overlay.pickerView, view.data());
    EXPECT_TRUE(panel->isOrderedIn());
    for (const auto& [selection, button] : view->regionButtons())
        EXPECT_FALSE(button->highlightedRegion) << "the last showing's selection is still lit";
    RegionButton* button = view->regionButtons().front().second;
    QTest::mouseClick(button, Qt::LeftButton, {}, button->exactFrame().center().toPoint() - button->pos());
    EXPECT_EQ(chosenBy, std::vector<int>{2}) << "the choice goes to this showing";

    // Another layout list: a new picker, and the old one goes.
    feedback.hidePicker();
    std::vector<SnapLayout> three = two;
    three.push_back(SnapLayout::builtIns()[2]);
    feedback.showPicker(presentation(3, three));
    EXPECT_NE(overlay.pickerView, view.data());
    EXPECT_GT(overlay.pickerView->regionButtons().size(), view->regionButtons().size());
    feedback.hidePicker();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_FALSE(panel) << "the older picker was not freed";
}

} // namespace
} // namespace fw
