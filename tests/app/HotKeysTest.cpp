// Global hot keys over the simulated platform: what is registered in which order, failures
// and their log lines, presses, the Escape key, suspension while recording, and a change of
// keyboard layout.
#include "app/HotKeys.h"
#include "base/Log.h"
#include "platform/sim/SimInput.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

constexpr std::uint32_t CtrlAlt = StoredCtrl | StoredAlt;

struct HotKeysFixture : ::testing::Test {
    MemoryDefaults defaults;
    sim::SimHotKeys platform;
    HotKeys hotKeys{platform, defaults};
    std::vector<std::uint32_t> pressed;

    void SetUp() override
    {
        hotKeys.action = [this](std::uint32_t id) { pressed.push_back(id); };
        hotKeys.installHandler();
    }
};

TEST_F(HotKeysFixture, RegistersLayoutKeysThenActionsAndReportsTakenCombinations)
{
    hotKeys.registerKeys();
    EXPECT_EQ(platform.registeredIds(),
              (std::vector<std::uint32_t>{101, 102, 103, 104, 105, 106, 107, 108, 109, 6, 1, 2, 5, 7, 8, 9, 3}));
    EXPECT_TRUE(hotKeys.failures().empty());
    EXPECT_TRUE(platform.press(21, CtrlAlt));   // Ctrl+Alt+4
    EXPECT_TRUE(platform.press(35, CtrlAlt));   // Ctrl+Alt+P
    EXPECT_EQ(pressed, (std::vector<std::uint32_t>{104, 6}));

    // Turned off: not registered and no failure. Two actions on one combination: the second
    // in case order fails and is logged. A combination another client holds fails too, and so
    // do the layout keys another program holds (a window manager's workspace keys): one line
    // names them all.
    ShortcutStore store(defaults);
    store.setCombo(std::nullopt, ShortcutAction::stack);
    store.setCombo(KeyCombo{35, CtrlAlt, "P"}, ShortcutAction::next);
    platform.take(15, CtrlAlt);   // Ctrl+Alt+R
    platform.take(19, CtrlAlt);   // Ctrl+Alt+2
    platform.take(23, CtrlAlt);   // Ctrl+Alt+5
    log::Capture log;
    hotKeys.unregisterAll();
    EXPECT_TRUE(platform.registeredIds().empty());
    hotKeys.registerKeys();
    EXPECT_EQ(platform.registeredIds(), (std::vector<std::uint32_t>{101, 103, 104, 106, 107, 108, 109, 6, 1, 2, 8, 9}));
    EXPECT_EQ(hotKeys.failures(), (std::set<ShortcutAction>{ShortcutAction::next, ShortcutAction::restore}));
    EXPECT_EQ(hotKeys.layoutKeyFailures(), (std::set<std::size_t>{1, 4}));
    EXPECT_EQ(log.messages(LogCategory::HotKeys),
              (QStringList{"Registration failed: Ctrl+Alt+2, Ctrl+Alt+5 status 10",
                           "Registration failed: Next Window in Stack status 10",
                           "Registration failed: Restore Focused Window status 10"}));
    ASSERT_EQ(log.entries().size(), 3u);
    EXPECT_EQ(log.entries()[0].level, LogLevel::Error);

    // failures() describes the last registration; unregistering keeps it.
    hotKeys.unregisterAll();
    EXPECT_EQ(hotKeys.failures().size(), 2u);
}

TEST_F(HotKeysFixture, EscapeKeyOutlivesUnregisterAllAndRemovingTheHandlerSilencesPresses)
{
    hotKeys.registerKeys();
    ASSERT_TRUE(hotKeys.registerEscapeKey());
    EXPECT_TRUE(hotKeys.registerEscapeKey()) << "a second call keeps the one registration";
    hotKeys.unregisterAll();
    EXPECT_EQ(hotKeys.registeredCount(), 0u);
    EXPECT_FALSE(platform.press(35, CtrlAlt));
    EXPECT_TRUE(platform.press(KeyCodeEscape, 0));
    EXPECT_EQ(pressed, (std::vector<std::uint32_t>{4}));

    hotKeys.unregisterEscapeKey();
    EXPECT_FALSE(hotKeys.escapeKeyRegistered());
    EXPECT_FALSE(platform.press(KeyCodeEscape, 0));

    hotKeys.registerKeys();
    hotKeys.removeHandler();
    EXPECT_FALSE(platform.hasHandler());
    platform.press(35, CtrlAlt);
    EXPECT_EQ(pressed.size(), 1u);
}

TEST_F(HotKeysFixture, SuspensionUnregistersOnceAndRegistersOnceAgain)
{
    hotKeys.registerKeys();
    hotKeys.setSuspended(true);
    EXPECT_TRUE(platform.registeredIds().empty());
    hotKeys.setSuspended(true);
    // A change while suspended is stored but not registered.
    ShortcutStore(defaults).setCombo(KeyCombo{40, CtrlAlt, "K"}, ShortcutAction::place);
    hotKeys.reregister();
    EXPECT_TRUE(platform.registeredIds().empty());
    hotKeys.setSuspended(false);
    hotKeys.setSuspended(false);
    EXPECT_EQ(platform.registeredIds().size(), 17u) << "registered once, not twice";
    EXPECT_TRUE(platform.press(40, CtrlAlt));
    EXPECT_FALSE(platform.press(35, CtrlAlt));
    EXPECT_EQ(pressed, (std::vector<std::uint32_t>{6}));
}

TEST_F(HotKeysFixture, ANewLayoutRegistersAgainReportsAClashAndRelabels)
{
    log::Capture log;
    int changes = 0;
    hotKeys.onKeysChanged = [&] { ++changes; };
    hotKeys.registerKeys();
    ASSERT_TRUE(hotKeys.registerEscapeKey());
    const auto next = [&] { return ShortcutStore(defaults).combo(ShortcutAction::next)->displayString(); };
    EXPECT_EQ(next(), u"Ctrl+Alt+]"_qs);

    // "]" moves onto the key of "P" (no real layout does, but some put two codes on one key).
    platform.setLayout({{30, 35}}, {{30, u"p"_qs}});
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(hotKeys.failures(), (std::set<ShortcutAction>{ShortcutAction::next}));
    EXPECT_EQ(next(), u"Ctrl+Alt+P"_qs);
    EXPECT_TRUE(platform.press(KeyCodeEscape, 0)) << "the Escape key stays registered";

    // Back: every key is free again; suspended (recording), nothing is registered meanwhile.
    hotKeys.setSuspended(true);
    platform.setLayout({});
    EXPECT_EQ(platform.registeredIds(), (std::vector<std::uint32_t>{4}));
    hotKeys.setSuspended(false);
    EXPECT_TRUE(hotKeys.failures().empty());
    EXPECT_EQ(next(), u"Ctrl+Alt+]"_qs);
    EXPECT_TRUE(platform.press(30, CtrlAlt));
    EXPECT_EQ(pressed, (std::vector<std::uint32_t>{4, 7}));
}

TEST(HotKeys, DestructionLeavesNothingRegistered)
{
    MemoryDefaults defaults;
    sim::SimHotKeys platform;
    {
        HotKeys hotKeys(platform, defaults);
        hotKeys.installHandler();
        hotKeys.registerKeys();
        hotKeys.registerEscapeKey();
    }
    EXPECT_TRUE(platform.registeredIds().empty());
    EXPECT_FALSE(platform.hasHandler());
}

} // namespace
} // namespace fw
