// Region assist: size classes, the grid of tiles, choices and late thumbnails; the thumbnail
// tile's drawing geometry and hover.
#include "overlay/RegionAssistView.h"

#include "overlay/OverlayStyle.h"

#include <QApplication>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>
#include <gtest/gtest.h>

namespace fw {
namespace {

std::vector<ManagedWindow> windows(int n)
{
    std::vector<ManagedWindow> w;
    for (int i = 0; i < n; ++i)
        w.push_back(ManagedWindow{WindowId(100 + i), Pid(10 + i), QStringLiteral("Window %1").arg(i), "App"});
    return w;
}

struct Calls {
    std::vector<ManagedWindow> chosen;
    int skipped = 0;
    int done = 0;
};

std::unique_ptr<RegionAssistView> make(const std::vector<ManagedWindow>& w, QSize size, Calls& c,
                                       const RegionAssistView::Thumbnails& thumbs = {})
{
    return std::make_unique<RegionAssistView>(
        w, thumbs, [&c](const ManagedWindow& m) { c.chosen.push_back(m); }, [&c] { ++c.skipped; },
        [&c] { ++c.done; }, QRect(QPoint(), size));
}

WindowThumbnailButton* tile(const RegionAssistView& v, std::size_t i)
{
    return static_cast<WindowThumbnailButton*>(v.controls()[i]);
}

TEST(RegionAssistView, FiveChoicesInARoomyRegion)
{
    Calls c;
    auto v = make(windows(5), QSize(600, 400), c);
    EXPECT_EQ(v->scrollView()->geometry(), QRect(24, 400 - 58 - 276, 552, 276));
    const auto g = RegionAssistView::grid(5, 552, 276);
    EXPECT_EQ(g.gridWidth, 540);
    EXPECT_EQ(g.columns, 2);
    EXPECT_EQ(g.tileWidth, 260);
    EXPECT_EQ(g.tileHeight, 200);
    EXPECT_EQ(g.rows, 3);

    ASSERT_EQ(v->controls().size(), 6u); // five tiles, then the leave-empty button
    EXPECT_EQ(v->controls().back(), v->skipButton());
    EXPECT_EQ(v->skipButton()->text(), "Leave empty");
    EXPECT_EQ(v->firstChoice(), v->controls().front());
    // Rows of two, the last row's single tile centred on the grid's width.
    EXPECT_EQ(tile(*v, 0)->geometry(), QRect(4, 0, 260, 200));
    EXPECT_EQ(tile(*v, 1)->geometry(), QRect(276, 0, 260, 200));
    EXPECT_EQ(tile(*v, 2)->geometry(), QRect(4, 212, 260, 200));
    EXPECT_EQ(tile(*v, 4)->geometry(), QRect(140, 424, 260, 200));
    EXPECT_EQ(v->documentView()->height(), 624);
    EXPECT_EQ(v->scrollView()->verticalScrollBar()->value(), 0); // first row visible
    EXPECT_EQ(v->heading()->geometry(), QRect(24, 22, 552, 26));
    EXPECT_EQ(v->doneButton()->geometry(), QRect(600 - 24 - 66, 400 - 16 - 28, 66, 28));
}

TEST(RegionAssistView, SizeClasses)
{
    Calls c;
    auto narrow = make(windows(1), QSize(280, 600), c);
    EXPECT_EQ(narrow->skipButton()->text(), "Skip");
    EXPECT_EQ(narrow->heading()->x(), 12);
    EXPECT_EQ(narrow->heading()->font().pixelSize(), 13);

    // Compact by height, but not short: heading 48 below the top, list from 58 above the bottom.
    auto low = make(windows(1), QSize(400, 250), c);
    EXPECT_EQ(low->heading()->y(), 22);
    EXPECT_EQ(low->scrollView()->geometry().bottom() + 1, 250 - 58);

    // Short: heading 30 below the top, list from 36, buttons 4 above the bottom.
    auto shortView = make(windows(1), QSize(400, 200), c);
    EXPECT_EQ(shortView->heading()->y(), 4);
    EXPECT_EQ(shortView->scrollView()->geometry(), QRect(12, 200 - 36 - 126, 376, 126));
    EXPECT_EQ(shortView->doneButton()->y(), 200 - 4 - 28);

    // At a 16 pt system font each button's label fits whole, the two apart and inside the card.
    const QFont saved = QApplication::font();
    QFont large = saved;
    large.setPointSize(16);
    QApplication::setFont(large);
    for (const QSize size : {QSize(600, 400), QSize(280, 600)}) {
        auto big = make(windows(1), size, c);
        for (const QPushButton* button : {static_cast<QPushButton*>(big->skipButton()), static_cast<QPushButton*>(big->doneButton())}) {
            EXPECT_GE(button->width(), button->fontMetrics().horizontalAdvance(button->text()) + 12) << button->text().toStdString();
            EXPECT_TRUE(big->rect().contains(button->geometry())) << button->text().toStdString();
        }
        EXPECT_LT(big->skipButton()->geometry().right(), big->doneButton()->x());
    }
    QApplication::setFont(saved);

    // A tiny region still lays out, at least one point everywhere.
    auto tiny = make(windows(2), QSize(20, 20), c);
    EXPECT_GE(tiny->scrollView()->width(), 1);
    EXPECT_GE(tiny->scrollView()->height(), 1);
}

TEST(RegionAssistView, OneChoiceIsCentredAndNoChoicesLeaveButtonsOnly)
{
    Calls c;
    auto one = make(windows(1), QSize(1200, 800), c);
    ASSERT_EQ(one->controls().size(), 2u);
    const QRect t = tile(*one, 0)->geometry();
    const QWidget* doc = one->documentView();
    EXPECT_EQ(t.width(), 260);
    EXPECT_NEAR(t.center().x(), doc->width() / 2.0, 1);
    EXPECT_NEAR(t.center().y(), doc->height() / 2.0, 1);

    auto none = make({}, QSize(600, 400), c);
    EXPECT_EQ(none->firstChoice(), nullptr);
    EXPECT_EQ(none->controls(), std::vector<QAbstractButton*>{none->skipButton()});
    EXPECT_TRUE(none->choices().empty());
}

TEST(RegionAssistView, ClicksReportTheirWindowAndButtonsTheirClosures)
{
    Calls c;
    const auto w = windows(3);
    auto v = make(w, QSize(900, 500), c);
    QTest::mouseClick(tile(*v, 2), Qt::LeftButton);
    QTest::mouseClick(v->skipButton(), Qt::LeftButton);
    QTest::mouseClick(v->doneButton(), Qt::LeftButton);
    ASSERT_EQ(c.chosen.size(), 1u);
    EXPECT_EQ(c.chosen[0], w[2]);
    EXPECT_EQ(c.skipped, 1);
    EXPECT_EQ(c.done, 1);
    EXPECT_EQ(v->choices().at(w[1]), tile(*v, 1));
    EXPECT_EQ(tile(*v, 0)->accessibleName(), "Place App: Window 0 here");
    EXPECT_EQ(tile(*v, 0)->toolTip(), "App — Window 0");
}

TEST(WindowThumbnailButton, DrawingGeometryBySize)
{
    // A 100-high tile is compact (47-point footer); 111 uses the 60-point footer.
    auto compact = WindowThumbnailButton::tileLayout(QSizeF(200, 100));
    EXPECT_TRUE(compact.compact);
    EXPECT_EQ(compact.pictureArea, QRectF(10, 10, 180, 43));
    EXPECT_EQ(compact.title, QRectF(12, 100 - 6 - 16, 176, 16));
    auto roomy = WindowThumbnailButton::tileLayout(QSizeF(200, 111));
    EXPECT_FALSE(roomy.compact);
    EXPECT_EQ(roomy.title.height(), 29);
    // The application name sits above the title.
    EXPECT_LT(roomy.name.bottom(), roomy.title.top() + 1);
    EXPECT_TRUE(WindowThumbnailButton::tileLayout(QSizeF(200, 81)).showsPicture);
    EXPECT_FALSE(WindowThumbnailButton::tileLayout(QSizeF(200, 80)).showsPicture);

    // A landscape picture in a tall area fills its width and is centred vertically; a small
    // one is enlarged.
    const QRectF area(10, 10, 200, 300);
    EXPECT_EQ(WindowThumbnailButton::pictureRect(area, QSizeF(400, 200)), QRectF(10, 110, 200, 100));
    EXPECT_EQ(WindowThumbnailButton::pictureRect(area, QSizeF(20, 30)), QRectF(10, 10, 200, 300));
    EXPECT_TRUE(WindowThumbnailButton::pictureRect(area, QSizeF(0, 30)).isEmpty());
}

TEST(WindowThumbnailButton, EmptyThumbnailCountsAsAbsentAndHoverShowsTheAccessory)
{
    WindowThumbnailButton b(windows(1)[0], QImage(), {});
    EXPECT_FALSE(b.usableThumbnail());
    b.thumbnail = QImage(4, 3, QImage::Format_ARGB32);
    EXPECT_TRUE(b.usableThumbnail());

    QWidget accessory(&b);
    accessory.hide();
    b.accessory = &accessory;
    std::vector<bool> hovers;
    b.onHover = [&](bool h) { hovers.push_back(h); };
    b.setHovered(true);
    EXPECT_TRUE(accessory.isVisibleTo(&b));
    b.setHovered(false);
    EXPECT_FALSE(accessory.isVisibleTo(&b));
    EXPECT_EQ(hovers, (std::vector<bool>{true, false}));
}

} // namespace
} // namespace fw
