// Renders the tile menu, region assist and the resize hint to PNG files for review when
// FRAMEWELL_SHOTS_DIR names a directory; otherwise checks only that they render. Checks that
// the cards hide the windows behind them and that the divider editor's numbers read over
// light and dark windows alike.
#include "overlay/DividerEditorView.h"
#include "overlay/DropActionMenuView.h"
#include "overlay/RegionAssistView.h"
#include "overlay/ResizeFeedback.h"

#include <QDir>
#include <QPainter>
#include <algorithm>
#include <gtest/gtest.h>

namespace fw {
namespace {

void save(QWidget& w, const QString& name)
{
    w.setAttribute(Qt::WA_DontShowOnScreen);
    w.show();
    QImage canvas(w.size(), QImage::Format_ARGB32);
    canvas.fill(QColor(70, 90, 120)); // a desktop-like backdrop for the translucent parts
    QPainter p(&canvas);
    p.drawPixmap(0, 0, w.grab());
    p.end();
    EXPECT_FALSE(canvas.isNull());
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (!dir.isEmpty() && QDir().mkpath(dir)) {
        EXPECT_TRUE(canvas.save(dir + "/" + name));
    }
}

TEST(OverlayScreenshots, TileMenuRegionAssistAndResizeHint)
{
    DropActionMenuView menuView;
    DropActionMenu menu;
    const std::vector<std::tuple<RegionDropIntent, QString, QString>> items{
        {RegionDropIntent::place(1), "Add to stack", "square.2.layers.3d"},
        {RegionDropIntent::split(1, true), "Top half", "rectangle.tophalf.inset.filled"},
        {RegionDropIntent::split(1, false), "Bottom half", "rectangle.bottomhalf.inset.filled"},
        {RegionDropIntent::swap(1), "Swap", "arrow.left.arrow.right"},
        {RegionDropIntent::fillColumn(1), "Fill column", "rectangle.portrait.inset.filled"},
    };
    menu.frame = Rect(0, 0, 10 + 3 * 112 + 2 * 8 + 10, 10 + 2 * 92 + 8 + 10);
    for (std::size_t i = 0; i < items.size(); ++i)
        menu.items.push_back({std::get<0>(items[i]), std::get<1>(items[i]), std::get<2>(items[i]),
                              Rect(10 + double(i % 3) * 120, 10 + double(i / 3) * 100, 112, 92)});
    menuView.resize(int(menu.frame.width()), int(menu.frame.height()));
    menuView.configure(menu, RegionDropIntent::split(1, true), false);
    menuView.configure(menu, RegionDropIntent::swap(1), true);
    save(menuView, "drop-tile-menu.png");

    std::vector<ManagedWindow> ws{{1, 1, "Quarterly report.odt", "Writer"},
                                  {2, 2, "~/src/framewell — build", "Terminal"},
                                  {3, 3, "Inbox (12) — a very long window title that has to wrap", "Mail"}};
    QImage thumb(320, 200, QImage::Format_ARGB32);
    thumb.fill(QColor(235, 235, 240));
    {
        QPainter p(&thumb);
        p.fillRect(0, 0, 320, 24, QColor(60, 60, 70));
        p.fillRect(20, 44, 200, 10, QColor(150, 150, 160));
        p.fillRect(20, 64, 260, 10, QColor(170, 170, 180));
    }
    RegionAssistView assist(ws, {{ws[0], thumb}}, {}, {}, {}, QRect(0, 0, 640, 420));
    save(assist, "region-assist.png");

    ResizeHintView hint;
    hint.update("Resize together", "Drag this shared edge", "arrow.left.and.right", 360);
    save(hint, "resize-hint.png");
}

// The panel's picture over a backdrop of one colour.
QImage over(QWidget& w, QColor backdrop)
{
    w.setAttribute(Qt::WA_DontShowOnScreen);
    w.show();
    QImage canvas(w.size(), QImage::Format_RGB32);
    canvas.fill(backdrop);
    QPainter p(&canvas);
    p.drawPixmap(0, 0, w.grab());
    return canvas;
}

// How much of what lies behind shows through the card, at worst, inside the area (clear of its
// rounded corners): the difference between the card over black and over white, 0 (opaque) to
// 1 (clear).
double seeThrough(QWidget& w, int dx, int dy)
{
    const QImage dark = over(w, Qt::black), light = over(w, Qt::white);
    EXPECT_LT(2 * dy, w.height());
    int worst = 0;
    for (int y = dy; y < w.height() - dy; ++y)
        for (int x = dx; x < w.width() - dx; ++x)
            worst = std::max(worst, qGray(light.pixel(x, y)) - qGray(dark.pixel(x, y)));
    return worst / 255.0;
}

TEST(OverlayLegibility, CardsHideTheWindowsBehindThem)
{
    // Nothing blurs what lies behind a panel: text behind a card may show through by a few
    // percent at most, on the card and under every tile and text of it.
    DropActionMenuView menuView;
    DropActionMenu menu;
    menu.frame = Rect(0, 0, 10 + 3 * 112 + 2 * 8 + 10, 10 + 92 + 10);
    for (int i = 0; i < 3; ++i)
        menu.items.push_back({RegionDropIntent::swap(i), "Swap", "arrow.left.arrow.right",
                              Rect(10 + i * 120.0, 10, 112, 92)});
    menuView.resize(int(menu.frame.width()), int(menu.frame.height()));
    menuView.configure(menu, RegionDropIntent::swap(1), false);
    EXPECT_LE(seeThrough(menuView, 22, 22), 0.04);

    ResizeHintView hint;
    hint.update("Resize together", "Drag this shared edge", "arrow.left.and.right", 360);
    EXPECT_LE(seeThrough(hint, 23, 6), 0.04);

    RegionAssistView assist({{1, 1, "Notes", "Editor"}}, {}, {}, {}, {}, QRect(0, 0, 500, 400));
    EXPECT_LE(seeThrough(assist, 14, 14), 0.04);

    GlassCard card;
    card.setAttribute(Qt::WA_TranslucentBackground);
    card.resize(300, 100);
    EXPECT_LE(seeThrough(card, 20, 20), 0.04);
}

TEST(OverlayLegibility, DividerEditorNumbersHaveADarkOutline)
{
    // A single region: its number "1" sits in the middle of the view.
    DividerEditorView view(SnapLayout{"one", "One", RegionTree::leaf(0), std::nullopt}, QRect(0, 0, 300, 200));
    for (QColor behind : {QColor(Qt::white), QColor(Qt::black)}) {
        const QImage shot = over(view, behind);
        int whites = 0, darks = 0;
        for (int y = 80; y < 120; ++y)
            for (int x = 130; x < 170; ++x) {
                const int g = qGray(shot.pixel(x, y));
                whites += g > 240;
                darks += g < 60;
            }
        // Over a white window the outline shows, over a black one the white figure does.
        EXPECT_GT(whites, 20);
        EXPECT_GT(darks, 20);
    }
}

} // namespace
} // namespace fw
