// The stack switcher view: its sizes and the Layouts row, the keyboard (digits, keypad,
// arrows with wrapping and rows, Return, B, Escape) through real key events, and a span
// stack's map with its stretch buttons and the window-set button; the switcher's buttons.
#include "stacks/qt/SwitcherButtons.h"
#include "stacks/qt/WindowStackPicker.h"

#include "overlay/OverlayStyle.h"

#include <QScrollArea>
#include <QTest>
#include <gtest/gtest.h>

namespace fw {
namespace {

ManagedWindow win(int i, const QString& app = "App")
{
    return {WindowId(100 + i), Pid(10 + i), QStringLiteral("Doc %1").arg(i), app};
}
std::vector<ManagedWindow> wins(int n)
{
    std::vector<ManagedWindow> out;
    for (int i = 0; i < n; ++i)
        out.push_back(win(i));
    return out;
}

struct Recorder {
    std::vector<ManagedWindow> chosen;
    std::vector<int> layouts, cycles;
    int sentBack = 0, closes = 0;
    std::vector<std::vector<ManagedWindow>> peeks;
    std::vector<ManagedWindow> stretched;

    PickerContent content(std::vector<ManagedWindow> members)
    {
        PickerContent c;
        c.members = std::move(members);
        c.choose = [this](const ManagedWindow& w) { chosen.push_back(w); };
        return c;
    }
    std::unique_ptr<WindowStackPicker> make(PickerContent c)
    {
        auto p = std::make_unique<WindowStackPicker>(std::move(c));
        p->close = [this] { ++closes; };
        p->cycle = [this](int s) { cycles.push_back(s); };
        p->peek = [this](const std::vector<ManagedWindow>& w) { peeks.push_back(w); };
        p->stretch = [this](const ManagedWindow& w) { stretched.push_back(w); };
        return p;
    }
};

TEST(WindowStackPicker, SizesAndTheLayoutsRow)
{
    Recorder r;
    EXPECT_EQ(r.make(r.content(wins(1)))->size(), QSize(208, 202));
    EXPECT_EQ(r.make(r.content(wins(2)))->width(), 2 * 184 + 24);

    // A section of five: three columns; every given section reserves its title line.
    PickerContent c = r.content(wins(5));
    c.sections = {{QString(), wins(5), std::nullopt}};
    c.layouts = {"Halves", "Thirds", "Grid", "Columns", "Rows", "Focus", "Wide", "Tall", "Quarters", "Custom"};
    c.activeLayout = 1;
    c.chooseLayout = [&r](int i) { r.layouts.push_back(i); };
    auto p = r.make(c);
    EXPECT_EQ(p->size(), QSize(576, 12 + 324 + 40 + 36));
    EXPECT_EQ(p->orderedChoices()[0]->geometry(), QRect(2, 28, 176, 142));
    EXPECT_EQ(p->orderedChoices()[4]->geometry(), QRect(186, 178, 176, 142));
    EXPECT_EQ(p->scrollView()->geometry(), QRect(12, 76, 552, 324));
    EXPECT_EQ(p->scrollView()->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(p->countLabel()->text(), "5");
    ASSERT_EQ(p->layoutButtons().size(), 10u);
    const auto* first = p->layoutButtons()[0];
    EXPECT_EQ(first->text(), "1  Halves");
    EXPECT_EQ(first->toolTip(), "Switch to Halves (Ctrl+Alt+1)");
    EXPECT_EQ(p->layoutButtons()[1]->toolTip(), "Thirds is in use");
    EXPECT_TRUE(static_cast<const LayoutButton*>(p->layoutButtons()[1])->isActiveLayout());
    EXPECT_EQ(p->layoutButtons()[9]->text(), "Custom");
    EXPECT_EQ(p->layoutButtons()[9]->toolTip(), "Switch to Custom");
    EXPECT_EQ(p->layoutButtons()[9]->geometry(), QRect(50 * 9 + 74, 38, 44, 24));
    p->layoutButtons()[9]->click();
    p->arrowButton(0)->click();
    p->arrowButton(1)->click();
    EXPECT_EQ(r.layouts, std::vector<int>{9});
    EXPECT_EQ(r.cycles, (std::vector<int>{-1, 1}));

    // Taller than 522 points: it scrolls, and only then shows a scroller.
    PickerContent tall = r.content(wins(12));
    tall.sections = {{"Left", wins(6), std::nullopt}, {"Right", wins(12), std::nullopt}};
    auto t = r.make(tall);
    EXPECT_EQ(t->height(), 12 + 522 + 40);
    EXPECT_EQ(t->scrollView()->verticalScrollBarPolicy(), Qt::ScrollBarAsNeeded);
    EXPECT_EQ(t->documentView()->height(), 24 + 300 + 24 + 600);
}

TEST(WindowStackPicker, Keyboard)
{
    Recorder r;
    PickerContent c = r.content(wins(5));
    c.front = win(3);
    QWidget window;
    auto p = r.make(c);
    p->setParent(&window);
    window.show();
    auto press = [&](int key, Qt::KeyboardModifiers m = Qt::NoModifier) {
        QWidget* target = window.focusWidget() ? window.focusWidget() : p.get();
        QTest::keyClick(target, Qt::Key(key), m);
    };
    auto focused = [&] {
        const auto& o = p->orderedChoices();
        return std::find(o.begin(), o.end(), window.focusWidget()) - o.begin();
    };
    EXPECT_EQ(p->orderedChoices()[3]->accessibleName(), "Switch to App: Doc 3, current window");
    EXPECT_EQ(p->orderedChoices()[8 % 5]->shortcutNumber, 4);

    press(Qt::Key_0);                        // not a card number
    press(Qt::Key_7);                        // beyond the cards: consumed
    press(Qt::Key_B, Qt::ShiftModifier);     // no send-to-back here
    EXPECT_TRUE(r.chosen.empty());
    press(Qt::Key_3, Qt::KeypadModifier);
    EXPECT_EQ(r.chosen, std::vector<ManagedWindow>{win(2)});

    press(Qt::Key_Up);                       // no card focused: the first, whatever the key
    EXPECT_EQ(focused(), 0);
    press(Qt::Key_Up);                       // top row: nothing above
    EXPECT_EQ(focused(), 0);
    press(Qt::Key_Left);                     // wraps to the last
    EXPECT_EQ(focused(), 4);
    press(Qt::Key_Right);
    EXPECT_EQ(focused(), 0);
    press(Qt::Key_Right);
    press(Qt::Key_Down);                     // straight below the second card
    EXPECT_EQ(focused(), 4);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    press(Qt::Key_Right);
    press(Qt::Key_Down);                     // from the third: the nearer of the two below
    EXPECT_EQ(focused(), 4);
    press(Qt::Key_Return);
    EXPECT_EQ(r.chosen.back(), win(4));
    press(Qt::Key_Escape);
    EXPECT_EQ(r.closes, 1);

    // With a send-to-back action, b and Shift+B both reach it; with no cards, Return is consumed.
    PickerContent empty = r.content({});
    empty.sendToBack = [&r] { ++r.sentBack; };
    auto e = r.make(empty);
    EXPECT_TRUE(e->handleKey(Qt::Key_B, Qt::ShiftModifier));
    EXPECT_TRUE(e->handleKey(Qt::Key_B, Qt::NoModifier));
    EXPECT_FALSE(e->handleKey(Qt::Key_B, Qt::ControlModifier));
    EXPECT_EQ(r.sentBack, 2);
    EXPECT_TRUE(e->handleKey(Qt::Key_Return, Qt::NoModifier));
    EXPECT_EQ(r.chosen.size(), 2u);
}

TEST(WindowStackPicker, SpanMapWithStretchAndSetButtons)
{
    Recorder r;
    const Rect span(0, 0, 1200, 800);
    PickerContent c = r.content({win(0, "Span"), win(1, "Left"), win(2, "Right"), win(3, "Other")});
    c.sections = {{"Across both columns", {win(0, "Span")}, span},
                  {"Left column", {win(1, "Left")}, Rect(0, 0, 600, 800)},
                  {"Right column", {win(2, "Right")}, Rect(600, 0, 600, 800)},
                  {"Other windows", {win(3, "Other")}, std::nullopt}};
    c.sendToBack = [&r] { ++r.sentBack; };
    c.front = win(1);
    auto p = r.make(c);
    EXPECT_EQ(p->size(), QSize(664, 12 + 430 + 40));
    ASSERT_EQ(p->orderedChoices().size(), 4u);
    EXPECT_EQ(p->orderedChoices()[0]->geometry(), QRect(254, 24, 132, 104));
    EXPECT_EQ(p->orderedChoices()[1]->geometry(), QRect(54, 170, 132, 104));
    EXPECT_EQ(p->sectionLabels()[1]->text(), "Left column");

    // Every card but the span's own stretches, its button shown only while hovered.
    EXPECT_FALSE(p->orderedChoices()[0]->accessory);
    auto* left = p->orderedChoices()[1];
    ASSERT_TRUE(left->accessory);
    EXPECT_TRUE(left->accessory->isHidden());
    EXPECT_EQ(left->accessory->toolTip(), "Stretch across: Left joins the windows spanning there, in front");
    left->setHovered(true);
    EXPECT_FALSE(left->accessory->isHidden());
    static_cast<QAbstractButton*>(left->accessory.data())->click();
    EXPECT_EQ(r.stretched, std::vector<ManagedWindow>{win(1)});

    WindowSetButton* set = p->setChoice();
    ASSERT_NE(set, nullptr);
    EXPECT_EQ(set->geometry(), QRect(484, 164, 152, 116));
    EXPECT_EQ(set->heading(), "Bring Both Forward");
    EXPECT_EQ(set->detail(), "Left + Right");
    EXPECT_TRUE(set->isCurrentChoice);    // the front window is a covered one
    EXPECT_EQ(set->regions()[1].frame, QRectF(0.5, 0, 0.5, 1));
    EXPECT_EQ(set->focusPolicy(), Qt::NoFocus);
    set->setHovered(true);
    EXPECT_EQ(r.peeks.back(), (std::vector<ManagedWindow>{win(1), win(2)}));
    set->setHovered(false);
    EXPECT_TRUE(r.peeks.back().empty());
    EXPECT_TRUE(p->handleKey(Qt::Key_B, Qt::NoModifier));
    set->click();
    EXPECT_EQ(r.sentBack, 2);
}

TEST(SwitcherButtons, DrawingStates)
{
    // Icons only in regions of at least 16 points; at most 26 points.
    EXPECT_FALSE(WindowSetButton::iconRect(QRectF(0, 0, 15.9, 80)));
    EXPECT_EQ(WindowSetButton::iconRect(QRectF(0, 0, 16, 16)), QRectF(3, 3, 10, 10));
    EXPECT_EQ(WindowSetButton::iconRect(QRectF(0, 0, 100, 60))->width(), 26);
    EXPECT_EQ(WindowSetButton::miniatureArea(QSizeF(152, 116)), QRectF(12, 10, 128, 59));

    // A current set away from the pointer: light fill, accent outline and the check mark.
    WindowSetButton set({{QRectF(0, 0, 1, 1), std::nullopt}}, "Bring Forward", "Mail", [] {});
    set.resize(152, 116);
    set.isCurrentChoice = true;
    const QImage image = set.grab().toImage();
    const QColor accent = styleColor(StyleColor::accent, set.palette());
    EXPECT_EQ(image.pixelColor(152 - 23, 17).rgb(), accent.rgb());   // the check mark's circle
    EXPECT_NEAR(image.pixelColor(1, 58).red(), accent.red(), 40);    // the outline

    // The active layout's capsule ignores hover; the others light up.
    LayoutButton active(true, "1  Halves", [] {});
    LayoutButton other(false, "2  Thirds", [] {});
    const QColor activeFill = active.fill(), otherFill = other.fill();
    active.setHovered(true);
    other.setHovered(true);
    EXPECT_EQ(active.fill(), activeFill);
    EXPECT_EQ(activeFill, accent);
    EXPECT_GT(other.fill().alphaF(), otherFill.alphaF());
}

} // namespace
} // namespace fw
