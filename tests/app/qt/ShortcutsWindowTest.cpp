// The shortcuts window, offscreen, wired to hot keys and mouse shortcuts over the simulated
// platform as the shell wires it: recording keys and buttons, refusals, clearing, defaults,
// notes, and every way of closing the window during a recording.
#include "app/HotKeys.h"
#include "app/MouseShortcuts.h"
#include "app/qt/ShortcutsWindow.h"
#include "overlay/OverlayStyle.h"
#include "platform/sim/SimInput.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace fw {
namespace {

constexpr std::uint32_t CtrlAlt = StoredCtrl | StoredAlt;
constexpr auto QtCtrlAlt = Qt::ControlModifier | Qt::AltModifier;

struct WindowFixture : ::testing::Test {
    MemoryDefaults defaults;
    sim::SimHotKeys keys;
    sim::SimButtonGrabs buttons;
    HotKeys hotKeys{keys, defaults};
    MouseShortcuts mouse{buttons};
    ShortcutsWindowController window{defaults};
    std::vector<bool> recordingReports;
    int changes = 0;

    void SetUp() override
    {
        hotKeys.installHandler();
        hotKeys.registerKeys();
        mouse.setStackSlots({{Rect(0, 0, 1920, 1080), false}});   // every click lands on a stack
        mouse.configure(defaults);
        window.failures = [this] { return hotKeys.failures(); };
        window.mouseUnavailable = [this] { return mouse.unavailable(); };
        window.onRecording = [this](bool on) {
            recordingReports.push_back(on);
            hotKeys.setSuspended(on);
            mouse.setSuspended(on);
        };
        window.onChange = [this] {
            ++changes;
            hotKeys.reregister();
            mouse.configure(defaults);
            window.refresh();
        };
        window.holdKeyboard = [this](std::uint64_t w) { return keys.holdKeyboard(w); };
        window.releaseKeyboard = [this] { keys.releaseKeyboard(); };
        window.show();
    }
    QStringList column(bool mouseColumn) const
    {
        QStringList titles;
        for (ShortcutAction a : allShortcutActions)
            titles << (mouseColumn ? window.mouseButton(a) : window.keyButton(a))->text();
        return titles;
    }
    QWidget* target() const { return window.keyButton(ShortcutAction::place); }
    void click(ShortcutAction a, bool mouseColumn)
    {
        QTest::mouseClick(mouseColumn ? window.mouseButton(a) : window.keyButton(a), Qt::LeftButton);
    }
};

TEST_F(WindowFixture, ShowsTheStoredShortcutsInRowsAtLeastAsLargeAsDesigned)
{
    EXPECT_EQ(window.window()->windowTitle(), "Shortcuts");
    EXPECT_GE(window.window()->width(), 660);
    EXPECT_GE(window.window()->height(), 412 - 30);
    EXPECT_EQ(column(false).join(' '),
              "Ctrl+Alt+P Ctrl+Alt+Z Ctrl+Alt+A Ctrl+Alt+S Ctrl+Alt+] Ctrl+Alt+[ Ctrl+Alt+B Ctrl+Alt+R");
    EXPECT_EQ(column(true), QStringList(8, "None"));
    // The designed columns are the least they get.
    EXPECT_GE(window.keyButton(ShortcutAction::place)->width(), 120);
    EXPECT_GE(window.mouseButton(ShortcutAction::restore)->width(), 140);
    EXPECT_GE(window.keyButton(ShortcutAction::place)->height(), 28);
    EXPECT_EQ(window.restoreButton()->text(), "Restore Defaults");
    EXPECT_TRUE(window.hint().isEmpty());
}

// The application font for a test's scope, at `points` points.
struct AppFont {
    QFont saved = QApplication::font();
    explicit AppFont(int points)
    {
        QFont f = saved;
        f.setPointSize(points);
        QApplication::setFont(f);
    }
    ~AppFont() { QApplication::setFont(saved); }
};

// Every text of the window whole and inside it, the columns in line and nothing overlapping.
void expectLaidOut(const ShortcutsWindowController& window, const std::string& when)
{
    const QRect inside = window.window()->rect();
    std::vector<QWidget*> shown;
    for (QWidget* child : window.window()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (child->isVisibleTo(window.window()))
            shown.push_back(child);
    for (QWidget* child : shown) {
        QString text;
        if (auto* button = qobject_cast<QPushButton*>(child))
            text = button->text();
        else if (auto* label = qobject_cast<QLabel*>(child))
            text = label->text();
        else if (auto* label = qobject_cast<OverlayLabel*>(child)) {
            text = label->text();
            EXPECT_EQ(label->shownText(), text) << when << ": cut: " << text.toStdString();
        }
        EXPECT_TRUE(inside.contains(child->geometry())) << when << ": outside: " << text.toStdString();
        if (!qobject_cast<OverlayLabel*>(child) || !static_cast<OverlayLabel*>(child)->wordWrap()) {
            EXPECT_GE(child->width(), child->sizeHint().width()) << when << ": cut: " << text.toStdString();
        }
        for (QWidget* other : shown) {
            if (other != child && !text.isEmpty()) {
                EXPECT_FALSE(child->geometry().intersects(other->geometry())) << when << ": " << text.toStdString();
            }
        }
    }
    for (ShortcutAction a : allShortcutActions) {
        EXPECT_EQ(window.keyButton(a)->x(), window.keyButton(ShortcutAction::place)->x()) << when;
        EXPECT_EQ(window.mouseButton(a)->x(), window.mouseButton(ShortcutAction::place)->x()) << when;
    }
}

void photograph(const ShortcutsWindowController& window, const QString& name)
{
    const QString dir = qEnvironmentVariable("FRAMEWELL_SHOTS_DIR");
    if (!dir.isEmpty()) {
        EXPECT_TRUE(window.window()->grab().save(dir + u'/' + name + u".png"_qs)) << name.toStdString();
    }
}

// At a small, the usual and a large system font the window lays out from its fonts: while a key
// is recorded and after it is opened again every text is whole, inside it and in its column.
// With FRAMEWELL_SHOTS_DIR set each state is photographed for review.
TEST(ShortcutsWindowFonts, EveryTextWholeAndInLineFromNineToSixteenPoints)
{
    for (int points : {9, 11, 16}) {
        const std::string at = std::to_string(points) + " pt, ";
        AppFont font(points);
        MemoryDefaults defaults;
        sim::SimHotKeys keys;
        keys.take(35, CtrlAlt);   // "In use elsewhere" beside Place Focused Window
        HotKeys hotKeys{keys, defaults};
        hotKeys.registerKeys();
        ShortcutStore(defaults).setMouseTrigger(MouseTrigger{3, StoredCtrl | StoredAlt | StoredShift},
                                                ShortcutAction::adjust);
        ShortcutsWindowController window(defaults);
        window.failures = [&] { return hotKeys.failures(); };
        window.mouseUnavailable = [] { return true; };
        window.onRecording = [&](bool on) { hotKeys.setSuspended(on); };
        window.show();
        expectLaidOut(window, at + "shown");
        photograph(window, QStringLiteral("shortcuts-%1pt").arg(points));
        const QSize size = window.window()->size();

        QTest::mouseClick(window.keyButton(ShortcutAction::place), Qt::LeftButton);
        ASSERT_EQ(window.keyButton(ShortcutAction::place)->text(), "Type shortcut…");
        expectLaidOut(window, at + "recording");
        EXPECT_EQ(window.window()->size(), size) << at << "the window keeps its size while a key is recorded";
        photograph(window, QStringLiteral("shortcuts-%1pt-recording").arg(points));
        QTest::mouseClick(window.mouseButton(ShortcutAction::stack), Qt::LeftButton);
        expectLaidOut(window, at + "recording a button");
        // The longest hint: a plain middle button taken for every click.
        QTest::mouseClick(window.mouseButton(ShortcutAction::restore), Qt::LeftButton);
        QTest::mouseClick(window.window(), Qt::MiddleButton, Qt::NoModifier, QPoint(30, 30));
        ASSERT_TRUE(window.hint().startsWith(u"The middle button pastes"_qs)) << at << window.hint().toStdString();
        expectLaidOut(window, at + "the middle button's note");
        for (OverlayLabel* label : window.window()->findChildren<OverlayLabel*>()) {
            if (label->text() == window.hint()) {
                EXPECT_LE(QFontMetrics(label->font())
                              .boundingRect(QRect(0, 0, label->width(), 1000), Qt::TextWordWrap, label->text())
                              .height(),
                          label->height())
                    << at << "the note is cut";
            }
        }
        ShortcutStore(defaults).setMouseTrigger(std::nullopt, ShortcutAction::restore);

        window.close();
        window.show();
        expectLaidOut(window, at + "reopened");
        EXPECT_EQ(window.window()->size(), size) << at << "reopened";
        photograph(window, QStringLiteral("shortcuts-%1pt-reopened").arg(points));
    }
}

TEST_F(WindowFixture, RecordingAKeyRefusesWhatItMustAndStoresAValidCombination)
{
    click(ShortcutAction::place, false);
    EXPECT_EQ(window.keyButton(ShortcutAction::place)->text(), "Type shortcut…");
    EXPECT_EQ(window.hint(), "Press the new shortcut, Delete to clear, or Escape to cancel.");
    EXPECT_EQ(recordingReports, (std::vector<bool>{true}));
    EXPECT_TRUE(keys.registeredIds().empty()) << "the hot keys step aside while recording";
    EXPECT_TRUE(mouse.state().suspended());

    QTest::keyClick(target(), Qt::Key_Control, Qt::ControlModifier);   // a modifier alone waits
    QTest::keyClick(target(), Qt::Key_P, Qt::ShiftModifier);
    EXPECT_EQ(window.hint(), "Include Ctrl, Alt or Super.");
    QTest::keyClick(target(), Qt::Key_Z, QtCtrlAlt);
    EXPECT_EQ(window.hint(), "Ctrl+Alt+Z is already Open Layout Gallery.");
    QTest::keyClick(target(), Qt::Key_3, QtCtrlAlt);   // a layout key
    EXPECT_EQ(window.hint(), "Ctrl+Alt+3 is already Switch Layout 3.");
    EXPECT_EQ(window.recorder().recording(), ShortcutAction::place);
    EXPECT_EQ(changes, 0);

    QTest::keyClick(target(), Qt::Key_NumberSign, Qt::MetaModifier | Qt::ShiftModifier);   // Shift+Super+3
    EXPECT_FALSE(window.recorder().recording());
    EXPECT_EQ(window.keyButton(ShortcutAction::place)->text(), "Shift+Super+3");
    EXPECT_TRUE(window.hint().isEmpty());
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(recordingReports, (std::vector<bool>{true, false}));
    EXPECT_EQ(keys.registeredIds().size(), 17u);
    std::vector<std::uint32_t> pressed;
    hotKeys.action = [&](std::uint32_t id) { pressed.push_back(id); };
    EXPECT_TRUE(keys.press(20, StoredShift | StoredSuper));
    EXPECT_FALSE(keys.press(35, CtrlAlt));
    EXPECT_EQ(pressed, (std::vector<std::uint32_t>{6}));

    // Its own combination again is no conflict; Escape with Ctrl held is a combination too.
    click(ShortcutAction::place, false);
    QTest::keyClick(target(), Qt::Key_Escape, Qt::ControlModifier);
    EXPECT_EQ(window.keyButton(ShortcutAction::place)->text(), "Ctrl+Escape");
}

TEST_F(WindowFixture, DeleteTurnsAShortcutOffAndEscapeCancels)
{
    click(ShortcutAction::stack, false);
    QTest::keyClick(target(), Qt::Key_Escape);
    EXPECT_FALSE(window.recorder().recording());
    EXPECT_EQ(changes, 0);
    EXPECT_TRUE(window.window()->isVisible()) << "Escape while recording only cancels";

    click(ShortcutAction::stack, false);
    QTest::keyClick(target(), Qt::Key_Backspace);
    EXPECT_EQ(window.keyButton(ShortcutAction::stack)->text(), "None");
    EXPECT_EQ(keys.registeredIds().size(), 16u);
    EXPECT_FALSE(keys.press(1, CtrlAlt));

    // Clicking another row's button ends one recording and starts the next.
    click(ShortcutAction::next, false);
    recordingReports.clear();
    click(ShortcutAction::next, true);
    EXPECT_EQ(recordingReports, (std::vector<bool>{false, true}));
    EXPECT_EQ(window.keyButton(ShortcutAction::next)->text(), "Ctrl+Alt+]");
    EXPECT_EQ(window.mouseButton(ShortcutAction::next)->text(), "Click a button…");
}

TEST_F(WindowFixture, RecordingAMouseButtonBindsItAndTheTapMatchesIt)
{
    click(ShortcutAction::stack, true);
    EXPECT_EQ(window.hint(), "Over this window, click the middle or a side button (hold keys to add them). "
                             "Delete clears; Escape cancels.");
    // Shown whole, up to its last words, clear of the rows and of Restore Defaults.
    OverlayLabel* hint = nullptr;
    for (OverlayLabel* label : window.window()->findChildren<OverlayLabel*>())
        if (label->text() == window.hint())
            hint = label;
    ASSERT_TRUE(hint);
    EXPECT_EQ(hint->shownText(), hint->text());
    const QRect needed = QFontMetrics(hint->font()).boundingRect(QRect(0, 0, hint->width(), 1000),
                                                                 Qt::TextWordWrap, hint->text());
    EXPECT_LE(needed.height(), hint->height()) << "the last line, with Escape, is cut";
    const QRect hintFrame = hint->geometry();
    for (QPushButton* button : window.window()->findChildren<QPushButton*>())
        EXPECT_FALSE(hintFrame.intersects(button->geometry())) << button->text().toStdString();
    QTest::keyClick(target(), Qt::Key_K, QtCtrlAlt);
    EXPECT_EQ(window.recorder().recording(), ShortcutAction::stack) << "letters do nothing";
    QTest::mouseClick(window.window(), Qt::MiddleButton, Qt::MetaModifier, QPoint(30, 30));
    EXPECT_EQ(window.mouseButton(ShortcutAction::stack)->text(), "Super+Middle button");
    EXPECT_TRUE(buttons.running());
    EXPECT_FALSE(buttons.press(2, StoredSuper)) << "configured and matching again";
    buttons.release(2);

    click(ShortcutAction::next, true);
    QTest::mouseClick(window.window(), Qt::MiddleButton, Qt::MetaModifier, QPoint(30, 30));
    EXPECT_EQ(window.hint(), "Super+Middle button is already Show Window Stack.");
    QTest::mouseClick(window.window(), Qt::BackButton, Qt::NoModifier, QPoint(30, 30));
    EXPECT_EQ(window.mouseButton(ShortcutAction::next)->text(), "Button 4");

    click(ShortcutAction::stack, true);
    QTest::keyClick(target(), Qt::Key_Delete);
    EXPECT_EQ(window.mouseButton(ShortcutAction::stack)->text(), "None");
    EXPECT_EQ(ShortcutStore(defaults).mouseTriggers().size(), 1u);

    // The plain middle button for the gallery takes every middle click: the hint says pasting
    // with it ends, whole. For the switcher it takes only clicks on stacks: nothing to say.
    click(ShortcutAction::layouts, true);
    QTest::mouseClick(window.window(), Qt::MiddleButton, Qt::NoModifier, QPoint(30, 30));
    EXPECT_EQ(window.mouseButton(ShortcutAction::layouts)->text(), "Middle button");
    EXPECT_EQ(window.hint(), u"The middle button pastes in most apps; now “Open Layout Gallery” takes every such "
                             "click instead. Record Ctrl+Middle to keep pasting."_qs);
    EXPECT_EQ(hint->text(), window.hint());
    EXPECT_EQ(hint->shownText(), hint->text());
    EXPECT_LE(QFontMetrics(hint->font()).boundingRect(QRect(0, 0, hint->width(), 1000), Qt::TextWordWrap, hint->text()).height(),
              hint->height())
        << "the note is cut";
    click(ShortcutAction::layouts, true);
    QTest::keyClick(target(), Qt::Key_Delete);
    click(ShortcutAction::stack, true);
    QTest::mouseClick(window.window(), Qt::MiddleButton, Qt::NoModifier, QPoint(30, 30));
    EXPECT_EQ(window.mouseButton(ShortcutAction::stack)->text(), "Middle button");
    EXPECT_TRUE(window.hint().isEmpty());
}

TEST_F(WindowFixture, NotesShowTakenKeysAndAnUnavailableTapAndRestoreDefaultsResetsBoth)
{
    keys.take(6, CtrlAlt);   // another client holds Ctrl+Alt+Z
    ShortcutStore store(defaults);
    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::adjust);
    buttons.setAvailable(false);
    hotKeys.reregister();
    mouse.configure(defaults);
    window.refresh();
    EXPECT_EQ(window.note(ShortcutAction::layouts), "In use elsewhere");
    EXPECT_EQ(window.note(ShortcutAction::adjust), "Mouse unavailable");
    EXPECT_EQ(window.note(ShortcutAction::place), "");

    // Layout keys another program holds have no row: the hint line names them while no
    // recording speaks there.
    keys.take(18, CtrlAlt);   // Ctrl+Alt+1
    keys.take(20, CtrlAlt);   // Ctrl+Alt+3
    hotKeys.reregister();
    window.layoutKeyFailures = [this] { return hotKeys.layoutKeyFailures(); };
    window.refresh();
    EXPECT_EQ(window.hint(), "Ctrl+Alt+1, Ctrl+Alt+3: In use elsewhere");
    click(ShortcutAction::place, false);
    EXPECT_EQ(window.hint(), "Press the new shortcut, Delete to clear, or Escape to cancel.");

    store.setCombo(std::nullopt, ShortcutAction::restore);
    window.refresh();
    click(ShortcutAction::place, false);
    recordingReports.clear();
    QTest::mouseClick(window.restoreButton(), Qt::LeftButton);
    EXPECT_EQ(recordingReports, (std::vector<bool>{false})) << "the recording ends first";
    EXPECT_FALSE(defaults.value(ShortcutStore::keysKey));
    EXPECT_FALSE(defaults.value(ShortcutStore::mouseKey));
    EXPECT_EQ(window.keyButton(ShortcutAction::restore)->text(), "Ctrl+Alt+R");
    EXPECT_EQ(window.note(ShortcutAction::adjust), "") << "no trigger left to be unavailable";
}

// However the window goes away during a recording, the hot keys are registered again, mouse
// matching resumes and the keyboard a key recording held is let go; so too when another window
// takes the focus.
TEST_F(WindowFixture, EveryWayOfClosingEndsTheRecording)
{
    const std::vector<std::pair<const char*, std::function<void()>>> closers = {
        {"close button", [&] { window.window()->close(); }},
        {"hidden", [&] { window.window()->hide(); }},
        {"controller", [&] { window.close(); }},
        {"Escape after the recording", [&] {
             QTest::keyClick(target(), Qt::Key_Escape);
             QTest::keyClick(window.window(), Qt::Key_Escape);
         }},
    };
    for (const auto& [how, close] : closers) {
        for (bool mouseColumn : {true, false}) {
            window.show();
            click(ShortcutAction::adjust, mouseColumn);
            ASSERT_TRUE(hotKeys.suspended()) << how;
            EXPECT_EQ(keys.keyboardHeldFor(), mouseColumn ? 0 : window.window()->winId()) << how;
            close();
            EXPECT_FALSE(window.window()->isVisible()) << how;
            EXPECT_FALSE(window.recorder().recording()) << how;
            EXPECT_EQ(keys.keyboardHeldFor(), 0u) << how;
            EXPECT_FALSE(hotKeys.suspended()) << how;
            EXPECT_EQ(keys.registeredIds().size(), 17u) << how;
            EXPECT_FALSE(mouse.state().suspended()) << how;
            EXPECT_EQ(window.mouseButton(ShortcutAction::adjust)->text(), "None") << how;
            EXPECT_EQ(window.keyButton(ShortcutAction::adjust)->text(), "Ctrl+Alt+A") << how;
            EXPECT_EQ(recordingReports.back(), false) << how;
        }
    }
    // Key events no longer go to the recorder once it ended.
    QTest::keyClick(target(), Qt::Key_K, QtCtrlAlt);
    EXPECT_EQ(changes, 0);

    window.show();
    window.window()->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.window()));
    click(ShortcutAction::adjust, false);
    ASSERT_NE(keys.keyboardHeldFor(), 0u);
    QWidget elsewhere;
    elsewhere.show();
    elsewhere.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&elsewhere));
    EXPECT_FALSE(window.recorder().recording());
    EXPECT_EQ(keys.keyboardHeldFor(), 0u);
    EXPECT_FALSE(hotKeys.suspended());
}

// Where the keyboard is not held for the recording, the hint says why, and keys that reach the
// window still record.
TEST_F(WindowFixture, WhileTheKeyboardIsNotHeldTheHintSaysWhy)
{
    keys.setHoldAnswer(KeyboardHold::Busy);
    click(ShortcutAction::place, false);
    EXPECT_EQ(window.hint(), u"Another program holds the keyboard, so keys it takes won’t arrive. Press the new "
                             u"shortcut, Delete to clear, or Escape to cancel."_qs);
    // What arrives is still recorded.
    QTest::keyClick(target(), Qt::Key_K, QtCtrlAlt);
    EXPECT_EQ(window.keyButton(ShortcutAction::place)->text(), "Ctrl+Alt+K");
    EXPECT_EQ(window.hint(), "");

    // A window not on screen yet is held as it shows: nothing to tell.
    keys.setHoldAnswer(KeyboardHold::NotShown);
    click(ShortcutAction::restore, false);
    EXPECT_EQ(window.hint(), u"Press the new shortcut, Delete to clear, or Escape to cancel."_qs);

    // A keyboard that cannot be held (the window gone from the display) is not asked for again.
    keys.setHoldAnswer(KeyboardHold::Impossible);
    click(ShortcutAction::next, false);
    EXPECT_EQ(window.hint(), u"The keyboard can’t be held for this window, so keys other programs take won’t "
                             u"arrive. Press the new shortcut, Delete to clear, or Escape to cancel."_qs);
    EXPECT_EQ(keys.keyboardHeldFor(), 0u);
    QTest::keyClick(target(), Qt::Key_J, QtCtrlAlt);
    EXPECT_EQ(window.keyButton(ShortcutAction::next)->text(), "Ctrl+Alt+J");
}

} // namespace
} // namespace fw
