// Renders the tile menu, region assist and the resize hint to PNG files for review when
// FRAMEWELL_SHOTS_DIR names a directory; otherwise checks only that they render.
#include "overlay/DropActionMenuView.h"
#include "overlay/RegionAssistView.h"
#include "overlay/ResizeFeedback.h"

#include <QDir>
#include <QPainter>
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

} // namespace
} // namespace fw
