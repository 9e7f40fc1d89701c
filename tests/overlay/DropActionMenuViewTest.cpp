// The tile menu: tiles rebuilt only for a different menu, states from the intent under the
// pointer and the armed flag, and tile placement relative to the menu's frame.
#include "overlay/DropActionMenuView.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPointer>
#include <gtest/gtest.h>

namespace fw {
namespace {

using State = DropActionTile::State;

DropActionMenu menuAt(double x, double y)
{
    // Three tiles in a row, 112 × 92, 8 apart, 10 from the menu's edge.
    DropActionMenu m;
    m.frame = Rect(x, y, 10 + 3 * 112 + 2 * 8 + 10, 92 + 20);
    const std::vector<std::tuple<RegionDropIntent, QString, QString>> items{
        {RegionDropIntent::split(2, true), "New on top", "rectangle.tophalf.inset.filled"},
        {RegionDropIntent::split(2, false), "New below", "rectangle.bottomhalf.inset.filled"},
        {RegionDropIntent::swap(1), "Swap", "arrow.left.arrow.right"},
    };
    for (std::size_t i = 0; i < items.size(); ++i)
        m.items.push_back({std::get<0>(items[i]), std::get<1>(items[i]), std::get<2>(items[i]),
                           Rect(x + 10 + double(i) * 120, y + 10, 112, 92)});
    return m;
}

std::vector<State> states(const DropActionMenuView& v)
{
    std::vector<State> s;
    for (auto* t : v.tiles())
        s.push_back(t->state());
    return s;
}

TEST(DropIntent, EqualityComparesSideOnlyForSplits)
{
    EXPECT_EQ(RegionDropIntent::split(2, true), RegionDropIntent::split(2, true));
    EXPECT_NE(RegionDropIntent::split(2, true), RegionDropIntent::split(2, false));
    EXPECT_NE(RegionDropIntent::splitSide(2, true), RegionDropIntent::splitSide(2, false));
    EXPECT_NE(RegionDropIntent::split(2, true), RegionDropIntent::splitSide(2, true));
    EXPECT_NE(RegionDropIntent::swap(1), RegionDropIntent::swap(2));
    EXPECT_NE(RegionDropIntent::swap(1), RegionDropIntent::place(1));
    // A stray side flag on a case without sides changes nothing.
    RegionDropIntent odd = RegionDropIntent::fillColumn(3);
    odd.side = true;
    EXPECT_EQ(odd, RegionDropIntent::fillColumn(3));
}

TEST(DropActionMenuView, TilesSitWhereTheMenuPutThemRelativeToItsFrame)
{
    DropActionMenuView view;
    const DropActionMenu m = menuAt(700, 300);
    view.resize(int(m.frame.width()), int(m.frame.height()));
    view.configure(m, std::nullopt, false);
    ASSERT_EQ(view.tiles().size(), 3u);
    EXPECT_EQ(view.tiles()[0]->geometry(), QRect(10, 10, 112, 92));
    EXPECT_EQ(view.tiles()[2]->geometry(), QRect(250, 10, 112, 92));
    EXPECT_EQ(view.tiles()[1]->caption()->text(), "New below");
    EXPECT_EQ(view.background()->geometry(), view.rect());
    // Symbol 14 below the tile's top, caption 60 below it.
    EXPECT_EQ(view.tiles()[0]->iconRect().top(), 14);
    EXPECT_EQ(view.tiles()[0]->captionRect().top(), 60);
    EXPECT_EQ(states(view), (std::vector<State>{State::normal, State::normal, State::normal}));
}

// The fonts a tile is checked with: the machine's own, DejaVu (which the project installs) and
// Noto (which many desktops prefer), each where installed. Their line spacings differ by a fifth.
QStringList captionFamilies()
{
    QStringList families{QApplication::font().family()};
    for (const QString& family : {u"DejaVu Sans"_qs, u"Noto Sans"_qs})
        if (QFontDatabase::hasFamily(family) && !families.contains(family))
            families << family;
    return families;
}

TEST(DropActionMenuView, EveryTileTitleShowsWholeWithinItsTile)
{
    // Every title a tile can carry, and a longer one that only two lines can hold.
    QStringList titles;
    for (RegionDropIntent intent : {RegionDropIntent::swap(1), RegionDropIntent::split(1, true),
                                    RegionDropIntent::split(1, false), RegionDropIntent::splitSide(1, true),
                                    RegionDropIntent::splitSide(1, false), RegionDropIntent::place(1),
                                    RegionDropIntent::fillColumn(1), RegionDropIntent::putBack(1)})
        titles << intent.defaultTitleAndSymbol().title;
    titles << u"Whole Row"_qs << u"Rejoin Halves"_qs << u"Stretch Across Both Columns"_qs;
    const QFont userFont = QApplication::font();
    for (const QString& family : captionFamilies()) {
        SCOPED_TRACE(family.toStdString());
        QApplication::setFont(QFont(family));
        DropActionMenuView view;
        for (const QString& title : titles) {
            DropActionMenu m = menuAt(0, 0);
            m.items[0].title = title;
            view.resize(int(m.frame.width()), int(m.frame.height()));
            view.configure(m, std::nullopt, false);
            const DropActionTile* tile = view.tiles()[0];
            const OverlayLabel* caption = tile->caption();
            const QRect shown = caption->geometry();
            EXPECT_TRUE(tile->rect().contains(shown)) << title.toStdString();
            // The symbol whole, at its size, above the caption.
            const QRectF symbol = tile->iconRect();
            EXPECT_EQ(symbol.height(), 38) << title.toStdString();
            EXPECT_GE(symbol.top(), 2) << title.toStdString();
            EXPECT_GE(shown.top(), symbol.bottom()) << "below the symbol: " << title.toStdString();
            EXPECT_EQ(caption->shownText(), title) << "not cut short";
            const int flags = caption->wordWrap() ? int(Qt::TextWordWrap) : 0;
            const QRect needed = caption->fontMetrics().boundingRect(QRect(0, 0, shown.width(), 1000), flags, title);
            EXPECT_LE(needed.width(), shown.width()) << title.toStdString();
            EXPECT_LE(needed.height(), shown.height()) << title.toStdString();
            EXPECT_GE(caption->font().pixelSize(), 10) << title.toStdString();
        }
        EXPECT_TRUE(view.tiles()[0]->caption()->wordWrap()) << "the longest title takes two lines";
    }
    QApplication::setFont(userFont);
}

TEST(DropActionMenuView, SameMenuKeepsTilesAndRecoloursOnlyTheTwoInvolved)
{
    DropActionMenuView view;
    const DropActionMenu m = menuAt(0, 0);
    view.configure(m, RegionDropIntent::split(2, true), false);
    const auto tiles = view.tiles();
    std::vector<int> before;
    for (auto* t : tiles)
        before.push_back(t->recolorCount());

    view.configure(m, RegionDropIntent::swap(1), false);
    EXPECT_EQ(view.tiles(), tiles); // not rebuilt
    EXPECT_EQ(tiles[0]->recolorCount(), before[0] + 1);
    EXPECT_EQ(tiles[1]->recolorCount(), before[1]);
    EXPECT_EQ(tiles[2]->recolorCount(), before[2] + 1);
    EXPECT_EQ(states(view), (std::vector<State>{State::normal, State::normal, State::highlighted}));
}

TEST(DropActionMenuView, OnlyTheMatchingSideLightsAndArmingFillsIt)
{
    DropActionMenuView view;
    const DropActionMenu m = menuAt(0, 0);
    view.configure(m, RegionDropIntent::split(2, false), false);
    EXPECT_EQ(states(view), (std::vector<State>{State::normal, State::highlighted, State::normal}));

    view.configure(m, RegionDropIntent::split(2, false), true);
    EXPECT_EQ(states(view), (std::vector<State>{State::normal, State::armed, State::normal}));
    const auto armed = DropActionTile::colors(State::armed, view.palette());
    EXPECT_EQ(armed.icon, QColor(Qt::white));
    EXPECT_EQ(armed.caption, QColor(Qt::white));
    EXPECT_EQ(armed.background.alphaF(), view.palette().color(QPalette::Highlight).alphaF());
    EXPECT_EQ(view.tiles()[1]->caption()->color(), StyleColor::white);
    EXPECT_EQ(DropActionTile::colors(State::highlighted, view.palette()).borderWidth, 2);
    EXPECT_EQ(DropActionTile::colors(State::normal, view.palette()).borderWidth, 1);

    // An intent that no item has leaves every tile normal; so does no intent.
    view.configure(m, RegionDropIntent::fillColumn(7), true);
    EXPECT_EQ(states(view), (std::vector<State>{State::normal, State::normal, State::normal}));
    view.configure(m, RegionDropIntent::swap(1), true);
    view.configure(m, std::nullopt, true);
    EXPECT_EQ(states(view), (std::vector<State>{State::normal, State::normal, State::normal}));
}

TEST(DropActionMenuView, MovedOrChangedMenuIsRebuilt)
{
    DropActionMenuView view;
    view.configure(menuAt(0, 0), std::nullopt, false);
    const auto first = view.tiles();
    const QPointer<DropActionTile> old(first[0]);

    // Same items relative to each other, but the menu (and so every frame) moved.
    view.configure(menuAt(40, 0), std::nullopt, false);
    EXPECT_FALSE(old) << "the old tiles are deleted";
    EXPECT_EQ(view.tiles()[0]->geometry(), QRect(10, 10, 112, 92));

    DropActionMenu fewer = menuAt(40, 0);
    fewer.items.pop_back();
    view.configure(fewer, RegionDropIntent::swap(1), false);
    EXPECT_EQ(view.tiles().size(), 2u);
    EXPECT_EQ(view.background()->children().size(), 2u); // the old tiles are gone
}

} // namespace
} // namespace fw
