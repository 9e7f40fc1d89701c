// The panel recipe, the buttons, notices and symbols.
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "overlay/Symbols.h"
#include "overlay/ToastController.h"
#include "overlay/WindowChoiceButton.h"
#include "platform/PanelFocus.h"

#include "base/Clock.h"

#include <QApplication>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QRawFont>
#include <algorithm>
#include <gtest/gtest.h>

namespace fw {
namespace {

class FixedScreens final : public Screens {
public:
    std::vector<ScreenInfo> list;
    std::vector<ScreenInfo> screens() const override { return list; }
    void setChangeHandler(std::function<void()>) override {}
};

ScreenInfo screen(const QString& name, Rect frame, Rect visible)
{
    ScreenInfo s;
    s.key = name;
    s.name = name;
    s.frame = frame;
    s.visibleFrame = visible;
    return s;
}

TEST(OverlayWindowRecipe, DisplayOnlyPanelsLetClicksThroughAndNeverTakeKeys)
{
    OverlayWindow panel(Rect(10, 20, 300, 86), false);
    const Qt::WindowFlags f = panel.windowFlags();
    EXPECT_TRUE(f.testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(f.testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_TRUE(f.testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(f.testFlag(Qt::FramelessWindowHint));
    EXPECT_TRUE(panel.testAttribute(Qt::WA_ShowWithoutActivating));
    EXPECT_FALSE(panel.canBecomeKeyWindow());
    EXPECT_FALSE(panel.canBecomeMainWindow());
    EXPECT_FALSE(panel.hasShadow());
    EXPECT_EQ(panel.level(), 101);
    EXPECT_FALSE(panel.badgeShown);
    EXPECT_EQ(panel.frame(), Rect(10, 20, 300, 86));
    EXPECT_FALSE(panel.isVisible()) << "made hidden";

    panel.orderFrontRegardless();
    EXPECT_TRUE(panel.isVisible());
    EXPECT_FALSE(panel.isActiveWindow());
    panel.orderOut();
    EXPECT_FALSE(panel.isVisible());
}

TEST(OverlayWindowRecipe, InteractivePanelsTakeClicksAndKeysOnlyWhenAllowed)
{
    OverlayWindow panel(Rect(0, 0, 200, 100), true);
    EXPECT_FALSE(panel.windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_FALSE(panel.windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
    EXPECT_EQ(panel.windowType(), Qt::Tool);
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_TRUE(panel.hasShadow());
    EXPECT_FALSE(panel.canBecomeKeyWindow());

    panel.orderFrontRegardless();
    panel.setAcceptsKeys(true);
    EXPECT_TRUE(panel.isVisible()) << "changing the key rule keeps a shown panel shown";
    EXPECT_TRUE(panel.canBecomeKeyWindow());
    EXPECT_FALSE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    EXPECT_FALSE(panel.canBecomeMainWindow());

    panel.setIgnoresMouseEvents(true);
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowTransparentForInput));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::X11BypassWindowManagerHint));
}

// The mouse monitor may hand a press on after the toolkit's events: the click on a window of
// ours that opened a panel is then known to have come before the panel, a later press not. The
// user's inputs have one owner, the panel focus, which keeps the newest time noted to it.
TEST(OverlayWindowRecipe, APanelOpenedByAClickOnAWindowOfOursCameAfterThatPress)
{
    struct InputFocus final : PanelFocus {
        std::uint32_t time = 0;
        std::uint64_t keyboardWindow() override { return 0; }
        Outcome takeKeyboard(std::uint64_t) override { return Outcome::Missing; }
        bool giveBack(std::uint64_t, std::uint64_t) override { return false; }
        void holdKeyboard(std::uint64_t) override {}
        void letGo(std::uint64_t) override {}
        std::uint32_t userInputTime() const override { return time; }
        void noteUserInput(std::uint32_t t) override { time = std::max(time, t); }
    } focus;
    OverlayWindow::setPanelFocus(&focus);
    OverlayWindow panel(Rect(0, 0, 200, 100), true);
    QWidget tour;
    tour.resize(300, 200);
    tour.show();
    const std::uint32_t press = 0x40000000;   // above any time the toolkit stamped so far
    const auto click = [&](QEvent::Type type, std::uint32_t time) {
        QMouseEvent event(type, QPointF(20, 20), QPointF(20, 20), Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        event.setTimestamp(time);
        QApplication::sendEvent(&tour, &event);
    };
    click(QEvent::MouseButtonPress, press);
    click(QEvent::MouseButtonRelease, press + 40);
    EXPECT_EQ(focus.time, press + 40) << "the toolkit's clicks reach the owner";
    EXPECT_FALSE(OverlayWindow::openedAfter(press)) << "no panel shown";
    panel.orderFrontRegardless();
    EXPECT_TRUE(OverlayWindow::openedAfter(press));
    EXPECT_TRUE(OverlayWindow::openedAfter(press + 40));
    EXPECT_FALSE(OverlayWindow::openedAfter(press + 41)) << "a press after the panel showed";
    EXPECT_FALSE(OverlayWindow::openedAfter(0));
    panel.orderOut();
    EXPECT_FALSE(OverlayWindow::openedAfter(press)) << "the panel went";

    // Opened by a hot key of ours, which no window of ours took: a click elsewhere before the
    // key came before the panel too, one after it did not.
    focus.noteUserInput(press + 500);
    panel.orderFrontRegardless();
    EXPECT_TRUE(OverlayWindow::openedAfter(press + 400)) << "a click before the hot key";
    EXPECT_FALSE(OverlayWindow::openedAfter(press + 501)) << "a click after it";
    panel.orderOut();
    OverlayWindow::setPanelFocus(nullptr);
}

TEST(OverlayWindowRecipe, FramesAreWrittenOnlyWhenTheyChangeAndContentFillsThePanel)
{
    OverlayWindow panel(Rect(0, 0, 200, 100), false);
    EXPECT_FALSE(panel.setFrame(Rect(0, 0, 200, 100)));
    EXPECT_TRUE(panel.setFrame(Rect(50, 60, 300, 120)));
    EXPECT_EQ(panel.frame(), Rect(50, 60, 300, 120));

    QPointer<QWidget> first = new QWidget;
    panel.setContentView(first);
    EXPECT_EQ(first->geometry(), QRect(0, 0, 300, 120));
    panel.setContentView(new QWidget);
    EXPECT_TRUE(first.isNull()) << "the replaced content is released";
    panel.setFrame(Rect(50, 60, 320, 140));
    EXPECT_EQ(panel.contentView()->size(), QSize(320, 140));

    const auto before = OverlayWindow::allPanels().size();
    {
        OverlayWindow other(Rect(0, 0, 1, 1), false);
        EXPECT_EQ(OverlayWindow::allPanels().size(), before + 1);
    }
    EXPECT_EQ(OverlayWindow::allPanels().size(), before);
}

TEST(ActionButtons, RunTheirClosureOnlyWhenSet)
{
    int runs = 0;
    ActionButton button(u"Done"_qs, [&] { ++runs; });
    button.click();
    EXPECT_EQ(runs, 1);
    button.invoke = nullptr;
    button.click();
    button.performAction();
    EXPECT_EQ(runs, 1);
    // A closure that replaces itself still runs to its end.
    button.invoke = [&] {
        button.invoke = nullptr;
        ++runs;
    };
    button.performAction();
    EXPECT_EQ(runs, 2);
    EXPECT_EQ(button.text(), u"Done"_qs);
}

TEST(ActionButtons, WindowChoiceRowNamesTheAppAndWindow)
{
    ManagedWindow w{42, 1234, u"Report.odt"_qs, u"Writer"_qs};
    bool chosen = false;
    WindowChoiceButton row(w, [&] { chosen = true; });
    EXPECT_EQ(row.windowChoice(), w);
    EXPECT_EQ(row.accessibleName(), u"Writer: Report.odt"_qs);
    EXPECT_EQ(row.text(), QString());
    row.click();
    EXPECT_TRUE(chosen);
    // Application name above the window title, both beside the icon.
    const QSizeF s(500, 56);
    EXPECT_LT(WindowChoiceButton::nameRect(s).bottom(), WindowChoiceButton::titleRect(s).top() + 1);
    EXPECT_GE(WindowChoiceButton::nameRect(s).left(), WindowChoiceButton::iconRect(s).right());
    EXPECT_EQ(WindowChoiceButton::iconRect(s), QRectF(12, 12, 32, 32));
    row.resize(500, 56);
    EXPECT_FALSE(row.grab().isNull()) << "draws without an icon";
}

struct ToastFixture : ::testing::Test {
    VirtualClock clock;
    FixedScreens screens;
    std::optional<Point> pointer;
    ToastController toasts{clock, screens, [this] { return pointer; }};

    void SetUp() override
    {
        screens.list = {screen(u"LEFT"_qs, Rect(0, 0, 1920, 1080), Rect(0, 30, 1920, 1050)),
                        screen(u"RIGHT"_qs, Rect(1920, 0, 1280, 1024), Rect(1920, 0, 1280, 1000))};
    }
};

TEST_F(ToastFixture, ANewerNoticeReplacesTheOlderAndOutlivesItsTimer)
{
    toasts.show(u"First"_qs, 4.0);
    ASSERT_NE(toasts.panel(), nullptr);
    QPointer<OverlayWindow> first = toasts.panel();
    clock.advance(milliseconds(2000));
    toasts.show(u"Second"_qs, 4.0);
    EXPECT_TRUE(first.isNull()) << "the first notice is gone at once";
    EXPECT_EQ(toasts.text(), u"Second"_qs);
    clock.advance(milliseconds(2500)); // past the first notice's end
    ASSERT_NE(toasts.panel(), nullptr);
    EXPECT_TRUE(toasts.panel()->isVisible());
    clock.advance(milliseconds(1499));
    EXPECT_NE(toasts.panel(), nullptr);
    clock.advance(milliseconds(2));
    EXPECT_EQ(toasts.panel(), nullptr);
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST_F(ToastFixture, NoticeGoesToTheDisplayUnderThePointer)
{
    pointer = Point{2000, 500};
    toasts.show(u"On the right"_qs, 4.0);
    ASSERT_NE(toasts.panel(), nullptr);
    EXPECT_EQ(toasts.panel()->frame(), Rect(1920 + 640 - 270, 1000 - 40 - 86, 540, 86));
    EXPECT_TRUE(toasts.panel()->ignoresMouseEvents());
    EXPECT_FALSE(toasts.panel()->canBecomeKeyWindow());
    EXPECT_EQ(toasts.panel()->level(), 101);

    pointer = Point{-500, -500}; // on no display: the first one
    toasts.show(u"Nowhere"_qs, 4.0);
    EXPECT_EQ(toasts.panel()->frame(), Rect(960 - 270, 1080 - 40 - 86, 540, 86));

    EXPECT_EQ(ToastController::noticeFrame(Rect(0, 0, 500, 400)), Rect(20, 274, 460, 86));

    // The text stands centred in the card, one line or several, inset at least 20 at the sides,
    // its lines about equally long: as many as the full width takes, and no narrower text
    // keeps that many (no last line of one word).
    for (const QString& text : {u"Short"_qs, u"A window in this stack could not fit, and a prior size could not be "
                                            "restored. Choose a Layout again to put the windows back in place."_qs,
                                u"Tip · Drag onto a tile to choose what happens: add to the stack, take a half, rejoin "
                                "a split, or swap. Release anywhere else to leave the window where it is."_qs}) {
        toasts.show(text, 4.0);
        const auto* label = toasts.panel()->findChild<OverlayLabel*>();
        ASSERT_NE(label, nullptr);
        const auto heightAt = [&](int width) {
            return label->fontMetrics().boundingRect(QRect(0, 0, width, 1000), Qt::TextWordWrap, text).height();
        };
        EXPECT_NEAR(label->geometry().center().y(), 43, 1) << text.toStdString();
        EXPECT_NEAR(label->geometry().center().x(), 270, 1) << text.toStdString();
        EXPECT_GE(label->geometry().left(), 20);
        EXPECT_GE(label->height(), heightAt(label->width())) << "every line shows";
        EXPECT_EQ(heightAt(label->width()), heightAt(540 - 40)) << text.toStdString();
        if (heightAt(540 - 40) > label->fontMetrics().lineSpacing() + 2) {
            EXPECT_GT(heightAt(label->width() - 4), heightAt(540 - 40)) << "even lines: " << text.toStdString();
        }
    }
}

// A notice stands clear of our own windows: at the bottom, else at the top, else in the widest
// strip beside them (narrower, and taller as its lines need), else nowhere until one goes.
TEST(ToastPlacement, ClearOfOurWindows)
{
    const Rect visible(0, 0, 1280, 690);
    const auto height = [](double width) { return width < 400 ? 120.0 : 86.0; };
    EXPECT_EQ(ToastController::clearFrame(visible, {}, height), Rect(370, 564, 540, 86));
    // A window low in the middle: the top.
    EXPECT_EQ(ToastController::clearFrame(visible, {Rect(300, 300, 680, 390)}, height), Rect(370, 40, 540, 86));
    // Getting Started as tall as the screen: beside it, on the wider side.
    EXPECT_EQ(ToastController::clearFrame(visible, {Rect(200, 0, 720, 690)}, height),
              Rect(920 + (360 - 320) / 2, 690 - 40 - 120, 320, 120));
    // No strip wide enough on either side: nowhere.
    EXPECT_EQ(ToastController::clearFrame(visible, {Rect(180, 0, 920, 690)}, height), std::nullopt);
    EXPECT_EQ(ToastController::clearFrame(visible, {Rect(100, 0, 400, 690), Rect(700, 0, 500, 690)}, height),
              std::nullopt);
    // A notice that cannot wait goes where it covers least: the top, over a window's heading
    // rather than its buttons; the bottom under a window standing high.
    EXPECT_EQ(ToastController::leastCovering(visible, {Rect(180, 0, 920, 690)}, height), Rect(370, 40, 540, 86));
    EXPECT_EQ(ToastController::leastCovering(visible, {Rect(180, 0, 920, 600)}, height), Rect(370, 564, 540, 86));
}

TEST_F(ToastFixture, WithoutDisplaysTheEarlierNoticeIsHiddenAndNothingShown)
{
    toasts.show(u"Before"_qs, 4.0);
    screens.list.clear();
    toasts.show(u"Lost"_qs, 4.0);
    EXPECT_EQ(toasts.panel(), nullptr);
    EXPECT_EQ(clock.pendingCount(), 0u) << "the earlier dismissal was cancelled";
}

TEST(ToastLifetime, ADestroyedControllerLeavesNoTimerBehind)
{
    VirtualClock clock;
    FixedScreens screens;
    screens.list = {screen(u"A"_qs, Rect(0, 0, 800, 600), Rect(0, 0, 800, 600))};
    {
        ToastController toasts(clock, screens, [] { return std::optional<Point>(); });
        toasts.show(u"Bye"_qs, 4.0);
    }
    EXPECT_EQ(clock.pendingCount(), 0u);
    clock.advance(milliseconds(5000));
}

TEST(BringToFront, ShowsOnTheNextTurnAndSkipsWindowsThatWent)
{
    VirtualClock clock;
    auto* window = new QWidget;
    bringToFront(window, clock);
    EXPECT_FALSE(window->isVisible()) << "nothing happens inline";
    clock.advance(Duration(0));
    EXPECT_TRUE(window->isVisible());
    delete window;
    clock.advance(milliseconds(200)); // the second step finds the window gone

    auto* gone = new QWidget;
    bringToFront(gone, clock);
    delete gone;
    clock.runUntilIdle();
    EXPECT_EQ(clock.pendingCount(), 0u);
}

TEST(Symbols, EveryNameHasAGlyphThatDraws)
{
    ASSERT_TRUE(Symbols::fontAvailable()) << Symbols::fontPath().toStdString();
    const QRawFont raw = QRawFont::fromFont(Symbols::font(24));
    for (const auto& [name, glyph] : Symbols::table()) {
        EXPECT_TRUE(raw.supportsCharacter(uint(glyph.codepoint))) << name.toStdString();
        const QImage img = Symbols::image(name, 24, Qt::black).toImage();
        int inked = 0;
        for (int y = 0; y < img.height(); ++y)
            for (int x = 0; x < img.width(); ++x)
                inked += qAlpha(img.pixel(x, y)) > 128;
        EXPECT_GT(inked, 10) << name.toStdString();
    }
    for (const char* needed : {"checkmark", "arrow.uturn.backward", "arrow.left.and.right", "arrow.up.and.down"})
        EXPECT_TRUE(Symbols::contains(QString::fromLatin1(needed))) << needed;

    QImage canvas(10, 10, QImage::Format_ARGB32);
    QPainter p(&canvas);
    EXPECT_FALSE(Symbols::draw(p, u"no.such.symbol"_qs, QRectF(0, 0, 10, 10), Qt::black));
    EXPECT_TRUE(Symbols::image(u"no.such.symbol"_qs, 10, Qt::black).isNull());
}

} // namespace
} // namespace fw
