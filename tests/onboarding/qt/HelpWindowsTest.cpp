// What's New, the tour, About and the update alerts, offscreen: their texts and frames, the
// buttons and keys, and what each hands back to the shell.
#include "layout/SnapLayout.h"
#include "onboarding/ProductInfo.h"
#include "onboarding/qt/AboutWindow.h"
#include "onboarding/qt/TourArt.h"
#include "onboarding/qt/TourWindow.h"
#include "onboarding/qt/UpdateAlerts.h"
#include "onboarding/qt/WhatsNewWindow.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayView.h"

#include <QApplication>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTimer>

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(WhatsNewWindow, NotesButtonsAndKeys)
{
    VirtualClock clock;
    WhatsNewWindowController c(WhatsNew::entries("1.17.5", "1.18"), clock);
    QWidget* w = c.window();
    EXPECT_EQ(w->size(), QSize(560, 460));
    EXPECT_EQ(w->windowTitle(), "What’s New in Framewell");
    EXPECT_EQ(c.heading()->text(), "What’s new in Framewell");
    EXPECT_EQ(c.heading()->geometry(), QRect(32, 44, 496, 32));
    EXPECT_EQ(c.notes()->geometry(), QRect(32, 90, 496, 298));
    EXPECT_EQ(c.tourButton()->geometry(), QRect(32, 404, 140, 32));
    EXPECT_EQ(c.doneButton()->geometry(), QRect(428, 404, 100, 32));
    EXPECT_TRUE(c.notes()->isReadOnly());

    QStringList lines = c.notes()->toPlainText().split('\n');
    ASSERT_EQ(lines.size(), 14);   // five entries of one note: heading, bullet and a blank between
    EXPECT_EQ(lines[0], "Version 1.18");
    EXPECT_TRUE(lines[1].startsWith("•\tStack badges stand on the window’s left edge"));
    EXPECT_EQ(lines[2], "");
    EXPECT_EQ(lines[3], "Version 1.17.9");
    const QTextBlock bullet = c.notes()->document()->findBlockByNumber(1);
    EXPECT_EQ(bullet.blockFormat().leftMargin(), 16);
    EXPECT_EQ(bullet.blockFormat().textIndent(), -16);
    EXPECT_EQ(bullet.blockFormat().bottomMargin(), 6);
    EXPECT_EQ(c.notes()->document()->findBlockByNumber(0).begin().fragment().charFormat().fontWeight(), QFont::DemiBold);

    bool hiddenWhenTourOpened = false;
    int tours = 0;
    c.onTour = [&] {
        ++tours;
        hiddenWhenTourOpened = !w->isVisible();
    };
    c.show();
    c.tourButton()->click();
    EXPECT_EQ(tours, 1);
    EXPECT_TRUE(hiddenWhenTourOpened) << "the window closes before the tour opens";

    c.show();
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_FALSE(w->isVisible()) << "Return presses Done";
    EXPECT_EQ(tours, 1);
}

TEST(TourWindow, PagesClampButtonsDotsAndKeys)
{
    VirtualClock clock;
    TourWindowController tour(clock);
    QWidget* w = tour.window();
    EXPECT_EQ(w->size(), QSize(680, 520));
    EXPECT_EQ(w->windowTitle(), "Framewell Tour");
    EXPECT_EQ(tour.art()->geometry(), QRect(32, 82, 616, 220));
    EXPECT_EQ(tour.titleLabel()->geometry(), QRect(32, 318, 616, 30));
    EXPECT_EQ(tour.bodyLabel()->geometry(), QRect(32, 354, 616, 96));
    EXPECT_EQ(tour.tryButton()->geometry(), QRect(250, 464, 180, 32));
    EXPECT_EQ(tour.nextButton()->geometry(), QRect(548, 464, 100, 32));

    std::vector<int> tried;
    tour.onTry = [&](int page) { tried.push_back(page); };
    tour.show(-3);
    EXPECT_EQ(tour.index(), 0);
    EXPECT_FALSE(tour.backButton()->isEnabled());
    EXPECT_EQ(tour.dotsLabel()->text(), "● ○ ○ ○ ○");
    EXPECT_EQ(tour.dotsLabel()->accessibleName(), "Page 1 of 5");
    for (int page = 0; page < 5; ++page) {
        tour.show(page);
        const TourPage p = tourPages()[std::size_t(page)];
        EXPECT_EQ(tour.titleLabel()->text(), p.title);
        EXPECT_EQ(tour.art()->kind(), p.art);
        EXPECT_EQ(tour.art()->accessibleName(), accessibilityLabel(p.art));
        EXPECT_EQ(tour.tryButton()->isVisibleTo(w), page != 2) << page;
        if (page != 2) {
            EXPECT_EQ(tour.tryButton()->text(), *p.action);
            tour.tryButton()->click();
        }
    }
    EXPECT_EQ(tried, (std::vector<int>{0, 1, 3, 4}));
    EXPECT_EQ(tour.titleLabel()->text(), "Keys and mouse buttons");
    EXPECT_TRUE(tour.bodyLabel()->text().contains("give the window stack the middle button, and a middle-click on a stacked window opens its stack"));

    tour.show(9);
    EXPECT_EQ(tour.index(), 4);
    EXPECT_EQ(tour.nextButton()->text(), "Done");
    EXPECT_EQ(tour.dotsLabel()->text(), "○ ○ ○ ○ ●");
    EXPECT_EQ(tour.dotsLabel()->accessibleName(), "Page 5 of 5");

    tour.open(2);
    EXPECT_TRUE(w->isVisible());
    QTest::keyClick(w, Qt::Key_Return);
    EXPECT_EQ(tour.index(), 3) << "Return acts as Next";
    tour.backButton()->click();
    EXPECT_EQ(tour.index(), 2);
    tour.show(4);
    tour.nextButton()->click();
    EXPECT_FALSE(w->isVisible()) << "Done closes the window";
    EXPECT_EQ(tour.index(), 4) << "without changing the page";
    tour.open();
    EXPECT_EQ(tour.index(), 0) << "every opening starts at the first page";
    EXPECT_EQ(tour.nextButton()->text(), "Next");
}

// The illustration's pixels, on a fixed light palette.
QImage render(TourArt::Kind kind)
{
    TourArt art;
    QPalette pal = art.palette();
    pal.setColor(QPalette::Window, Qt::white);
    pal.setColor(QPalette::WindowText, Qt::black);
    pal.setColor(QPalette::Highlight, QColor(0, 100, 220));
    art.setPalette(pal);
    art.resize(616, 220);
    art.setKind(kind);
    return art.grab().toImage();
}

TEST(TourArt, EveryKindDrawsItsPicture)
{
    for (auto kind : {TourArt::Kind::dropMenu, TourArt::Kind::stack, TourArt::Kind::span, TourArt::Kind::layouts,
                      TourArt::Kind::shortcuts}) {
        const QImage img = render(kind);
        std::set<QRgb> colours;
        for (int y = 0; y < img.height(); y += 4)
            for (int x = 0; x < img.width(); x += 4)
                colours.insert(img.pixel(x, y));
        EXPECT_GT(colours.size(), 20u) << int(kind);
        // Windows wear a plain title bar: no red, yellow or green buttons anywhere.
        for (QRgb c : colours) {
            const QColor q(c);
            const bool lights = q.saturation() > 120 && (q.hue() < 50 || (q.hue() > 90 && q.hue() < 150));
            EXPECT_FALSE(lights) << int(kind) << " " << q.name().toStdString();
        }
    }
    // The drop menu's tiles are the real menu's six, in its order, inside the Browser window;
    // the chosen one is filled with the accent colour, and the pointer over it leaves its label
    // clear: nothing dark where the white "Left Half" is written.
    const auto tiles = TourArt::dropMenuTiles();
    QStringList titles;
    for (const auto& tile : tiles) {
        titles << tile.text.title;
        EXPECT_TRUE(QRectF(300, 38, 292, 162).contains(tile.frame)) << tile.text.title.toStdString();
    }
    EXPECT_EQ(titles, QStringList({"Add to Stack", "Left Half", "Right Half", "Top Half", "Bottom Half", "Swap"}));
    EXPECT_EQ(tiles[0].frame.y(), tiles[2].frame.y()) << "two rows of three, as the menu lays them out";
    EXPECT_LT(tiles[2].frame.bottom(), tiles[3].frame.y());
    ASSERT_TRUE(tiles[1].chosen);
    const QImage menu = render(TourArt::Kind::dropMenu);
    const QRectF chosen = tiles[1].frame;
    EXPECT_EQ(QColor(menu.pixel(int(chosen.x()) + 4, int(chosen.center().y()))), QColor(0, 100, 220));
    int dark = 0;
    for (int y = int(chosen.bottom()) - 22; y < int(chosen.bottom()) - 6; ++y)
        for (int x = int(chosen.x()) + 2; x < int(chosen.right()) - 2; ++x)
            dark += QColor(menu.pixel(x, y)).lightness() < 60;
    EXPECT_EQ(dark, 0) << "the pointer covers the tile's label";

    // The shortcut caps share one size, the largest every key fits at: the long
    // "Ctrl+Alt+1–9" is not set smaller than the others.
    const QStringList keys{"Ctrl+Alt+P", "Ctrl+Alt+Z", "Ctrl+Alt+S", "Ctrl+Alt+B", "Ctrl+Alt+1–9"};
    const QFont cap = TourArt::keyCapFont(keys, 126);
    EXPECT_EQ(cap.pixelSize(), 16) << "room for every key at the full size";
    for (const QString& key : keys)
        EXPECT_LE(QFontMetricsF(cap).horizontalAdvance(key), 126) << key.toStdString();
    const QFont narrow = TourArt::keyCapFont(keys, 60);
    EXPECT_LT(narrow.pixelSize(), 16);
    EXPECT_LE(QFontMetricsF(narrow).horizontalAdvance("Ctrl+Alt+1–9"), 60);
    // A symbol that is not known draws nothing.
    QImage blank(20, 20, QImage::Format_ARGB32);
    blank.fill(Qt::transparent);
    QPainter p(&blank);
    EXPECT_FALSE(TourArt::drawSymbol(p, "no.such.symbol", QRectF(0, 0, 20, 20), Qt::black));
    p.end();
    EXPECT_EQ(blank.pixel(10, 10), qRgba(0, 0, 0, 0));
}

TEST(AboutWindow, TextsFramesAndWebsite)
{
    VirtualClock clock;
    AboutWindowController about(clock, u"corvellan.example"_qs);
    std::vector<QUrl> opened;
    about.openUrl = [&](const QUrl& url) { opened.push_back(url); };
    QWidget* w = about.window();
    EXPECT_EQ(w->size(), QSize(440, 410));
    EXPECT_EQ(w->windowTitle(), "About Framewell");

    AboutView* v = about.view();
    QStringList texts;
    for (QWidget* label : v->labels())
        texts << label->accessibleName();
    EXPECT_EQ(texts, QStringList({"Framewell", "Version " + productVersion() + " (" + productBuildText() + ")",
                                  productTagline(), "Snap, resize, and stack. Made for your desktop.", "CORVELLAN",
                                  makerMotto()}));
    EXPECT_EQ(v->labels()[0]->geometry(), QRect(24, 119, 392, 38));
    EXPECT_EQ(v->labels()[4]->geometry(), QRect(24, 267, 392, 27));
    EXPECT_EQ(v->iconView()->geometry(), QRect(176, 26, 88, 88));
    EXPECT_EQ(v->iconView()->accessibleName(), "Framewell app icon");
    EXPECT_FALSE(v->iconView()->pixmap().isNull());
    EXPECT_EQ(v->websiteButton()->geometry(), QRect(140, 331, 160, 28));
    EXPECT_EQ(v->websiteButton()->text(), "corvellan.example");
    EXPECT_EQ(v->websiteButton()->accessibleName(), "Visit Framewell on the Corvellan website");
    v->websiteButton()->click();
    EXPECT_EQ(opened, std::vector<QUrl>{QUrl("https://corvellan.example/framewell/")});
    // A build naming no vendor host offers no link.
    AboutWindowController hostless(clock, QString());
    EXPECT_EQ(hostless.view()->websiteButton(), nullptr);
    EXPECT_EQ(hostless.view()->labels().size(), 6u);
    // Nor an empty band where it would stand: the motto keeps the margin the icon has above.
    EXPECT_EQ(hostless.window()->size(), QSize(440, 348));
    EXPECT_EQ(hostless.view()->size(), QSize(440, 348));
    EXPECT_EQ(hostless.view()->labels()[0]->geometry(), QRect(24, 119, 392, 38));
    EXPECT_EQ(hostless.view()->labels()[5]->geometry().bottom(), 348 - 31 - 1);

    // The version line with a build as a bundle without one would show it.
    AboutView bare("1.18.1", "1", QIcon(), {});
    EXPECT_EQ(bare.labels()[1]->accessibleName(), "Version 1.18.1 (1)");
    EXPECT_TRUE(bare.iconView()->pixmap().isNull()) << "no icon leaves the place empty";

    QPalette light, dark;
    light.setColor(QPalette::Window, Qt::white);
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    EXPECT_EQ(AboutView::makerColor(light).name(), QColor::fromRgbF(0.769f, 0.227f, 0.169f).name());
    EXPECT_EQ(AboutView::makerColor(dark).name(), QColor::fromRgbF(0.886f, 0.357f, 0.271f).name());

    about.show();
    about.show();
    EXPECT_EQ(about.window(), w) << "one window, shown again";
}

// Presses the button titled `title` of the modal alert once it is up.
void pressWhenShown(const QString& title)
{
    QTimer::singleShot(0, [title] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_TRUE(box);
        for (QAbstractButton* b : box->buttons())
            if (b->text() == title)
                b->click();
    });
}

// The buttons of a window whole and inside it, none over another.
void expectButtonsWhole(const QWidget* window, const std::string& where)
{
    const auto buttons = window->findChildren<QPushButton*>();
    for (const QPushButton* b : buttons) {
        if (!b->isVisibleTo(window))
            continue;
        EXPECT_GE(b->width(), b->sizeHint().width()) << where << ": cut: " << b->text().toStdString();
        EXPECT_GE(b->height(), b->sizeHint().height()) << where << ": " << b->text().toStdString();
        const QRect frame(b->mapTo(window, QPoint(0, 0)), b->size());
        EXPECT_TRUE(window->rect().contains(frame)) << where << ": outside: " << b->text().toStdString();
        for (const QPushButton* other : buttons)
            if (other != b && other->isVisibleTo(window) && other->parentWidget() == b->parentWidget()) {
                EXPECT_FALSE(b->geometry().intersects(other->geometry())) << where << ": " << b->text().toStdString();
            }
    }
}

// With FRAMEWELL_SHOTS_DIR set, the window is photographed there for review.
void photograph(QWidget* window, const std::string& name)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(window->grab().save(dir + u'/' + QString::fromStdString(name) + u".png"_qs)) << name;
    }
}

// At 9 and 16 points no button of the tour (on any page), What's New, About or the Layout
// Gallery cuts its label, and none stands over another.
TEST(HelpWindows, ButtonsTakeTheWidthTheirTextNeedsFromNineToSixteenPoints)
{
    const QFont saved = QApplication::font();
    for (int points : {9, 16}) {
        QFont f = saved;
        f.setPointSize(points);
        QApplication::setFont(f);
        const std::string at = std::to_string(points) + " pt ";
        VirtualClock clock;
        TourWindowController tour(clock);
        for (int page = 0; page < tourPageCount; ++page) {
            tour.show(page);
            expectButtonsWhole(tour.window(), at + "tour page " + std::to_string(page));
            photograph(tour.window(), "tour-" + std::to_string(points) + "pt-page" + std::to_string(page));
        }
        WhatsNewWindowController whatsNew(WhatsNew::entries("1.17.5", "1.18"), clock);
        expectButtonsWhole(whatsNew.window(), at + "What's New");
        AboutWindowController about(clock, u"corvellan.example"_qs);
        expectButtonsWhole(about.window(), at + "About");
        OverlayView gallery(SnapLayout::builtIns(), std::nullopt, true, false, {}, 900);
        ASSERT_TRUE(gallery.createButton());
        expectButtonsWhole(&gallery, at + "Layout Gallery");
        photograph(&gallery, "gallery-" + std::to_string(points) + "pt");
        photograph(whatsNew.window(), "whatsnew-" + std::to_string(points) + "pt");
        EXPECT_EQ(gallery.createButton()->geometry().right(), 900 - 22 - 1) << "it keeps its right edge";
    }
    QApplication::setFont(saved);
}

TEST(UpdateAlerts, OutcomesButtonsAndTheDownloadLink)
{
    ReleaseInfo r{"1.19", 130, "13", QUrl("https://corvellan.example/framewell/"), QUrl("https://d.example/a"),
                  QUrl("https://d.example/n")};
    auto box = makeUpdateAlert(UpdateCheck::Outcome::available(r, "1.18"), "corvellan.example", "Debian GNU/Linux");
    EXPECT_EQ(box->text(), "Framewell 1.19 is available");
    EXPECT_TRUE(box->informativeText().startsWith("You have 1.18. Download the new version from corvellan.example"));
    ASSERT_EQ(box->buttons().size(), 2);
    EXPECT_EQ(box->defaultButton()->text(), "Download");
    EXPECT_EQ(box->escapeButton()->text(), "Later");
    EXPECT_TRUE(box->windowFlags() & Qt::WindowStaysOnTopHint);
    // Laid out with room: the bold message over the informative text, both wide enough not to
    // wrap into a narrow column, and the buttons well below them, all 20 px inside the box.
    box->show();
    const auto* message = box->findChild<QLabel*>(u"qt_msgbox_label"_qs);
    const auto* informative = box->findChild<QLabel*>(u"qt_msgbox_informativelabel"_qs);
    const auto* buttons = box->findChild<QWidget*>(u"qt_msgbox_buttonbox"_qs);
    ASSERT_TRUE(message && informative && buttons);
    EXPECT_TRUE(message->font().bold());
    EXPECT_GE(message->width(), 320);
    EXPECT_GE(informative->width(), 320);
    EXPECT_GE(informative->geometry().top() - message->geometry().bottom(), 8);
    const int textBottom = informative->geometry().top() + informative->contentsRect().bottom();
    EXPECT_GE(buttons->geometry().top() - textBottom, 20);
    EXPECT_GE(buttons->geometry().right(), informative->geometry().right() - 1) << "the buttons end at the right";
    EXPECT_LE(buttons->geometry().bottom(), box->height() - 20);
    EXPECT_GE(message->geometry().top(), 20);
    box->hide();

    auto single = makeUpdateAlert(UpdateCheck::Outcome::unreachable(), "corvellan.example", "Linux");
    ASSERT_EQ(single->buttons().size(), 1);
    EXPECT_EQ(single->defaultButton()->text(), "OK");
    EXPECT_EQ(single->informativeText(),
              "corvellan.example couldn’t be reached. Check your internet connection and try again.");

    std::vector<QUrl> opened;
    const auto open = [&](const QUrl& u) { opened.push_back(u); };
    pressWhenShown("Later");
    EXPECT_FALSE(presentUpdateOutcome(UpdateCheck::Outcome::available(r, "1.18"), "corvellan.example", "Linux", open));
    EXPECT_TRUE(opened.empty());
    pressWhenShown("Download");
    EXPECT_TRUE(presentUpdateOutcome(UpdateCheck::Outcome::available(r, "1.18"), "corvellan.example", "Linux", open));
    EXPECT_EQ(opened, std::vector<QUrl>{r.page});
    pressWhenShown("OK");
    EXPECT_TRUE(presentUpdateOutcome(UpdateCheck::Outcome::upToDate("1.18"), "corvellan.example", "Linux", open));
    EXPECT_EQ(opened.size(), 1u) << "only the available alert opens anything";
}

} // namespace
} // namespace fw
