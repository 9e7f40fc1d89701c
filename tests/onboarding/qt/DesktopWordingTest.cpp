// Everything the program says about the desktop it runs on, gathered from where the user
// reads it (tips, the tour, the welcome window in each state, What's New, the update alerts,
// the tray menu with every item shown): no text speaks of another platform's interface, and
// the texts that once did say what is true on a Linux desktop.
#include "app/HotKeys.h"
#include "app/StatusMenuModel.h"
#include "app/WelcomeShortcuts.h"
#include "onboarding/Tips.h"
#include "onboarding/TourPages.h"
#include "onboarding/UpdateCheck.h"
#include "onboarding/WelcomeContent.h"
#include "onboarding/WhatsNew.h"
#include "onboarding/qt/WelcomeVideoView.h"
#include "onboarding/qt/WelcomeWindow.h"
#include "overlay/ActionButton.h"
#include "platform/sim/SimDesktop.h"
#include "platform/sim/SimInput.h"

#include <QRegularExpression>

#include <gtest/gtest.h>

namespace fw {
namespace {

struct Row {
    QString where;
    QString text;
    QString expected;   // empty: only checked against the other platform's words
};

void addMenu(std::vector<Row>& rows, const Menu& menu)
{
    for (const MenuItem& item : menu.items) {
        rows.push_back({u"menu "_qs + menu.title, item.title, {}});
        if (!item.toolTip.isEmpty())
            rows.push_back({u"menu tip "_qs + item.title, item.toolTip, {}});
        if (item.submenu)
            addMenu(rows, *item.submenu);
    }
}

std::vector<Row> everyText(WelcomeWindowController& welcome, sim::SimDesktop& desk)
{
    std::vector<Row> rows;
    for (Tip tip : allTips)
        rows.push_back({u"tip "_qs + rawValue(tip), tipText(tip), {}});
    rows.push_back({u"tip badge"_qs, tipText(Tip::badge),
                    u"This window has others stacked behind it. Their icons show in the badge on its left edge (in "
                    "its title bar when Badges on Window Edge is off); move closer and click one to bring it forward."_qs});
    for (const TourPage& page : tourPages())
        rows.insert(rows.end(), {{u"tour title"_qs, page.title, {}},
                                 {u"tour body"_qs, page.body, {}},
                                 {u"tour action"_qs, page.action.value_or(QString()), {}},
                                 {u"tour art"_qs, accessibilityLabel(page.art), {}}});
    rows.push_back({u"tour stack page"_qs, tourPages()[1].body,
                    u"Windows that share a region form a stack. The badge on the front window shows what’s behind "
                    "it; click an icon to switch. Rest the pointer on the middle of the front window’s title-bar "
                    "buttons or press Ctrl+Alt+S for the full switcher, then scroll to flip through."_qs});
    for (const WelcomeStep& step : welcomeSteps())
        rows.insert(rows.end(), {{u"welcome step"_qs, step.title, {}}, {u"welcome step"_qs, step.body, {}}});
    for (const auto& [control, previews, animated] : {std::tuple{true, true, true}, std::tuple{true, true, false},
                                                       std::tuple{false, false, true}}) {
        const WelcomeStatus s = welcomeStatus(control, previews, animated, std::nullopt, std::nullopt);
        rows.insert(rows.end(), {{u"welcome status"_qs, s.permissionText, {}},
                                 {u"welcome status"_qs, s.permissionButton, {}},
                                 {u"welcome status"_qs, s.previewsText, {}},
                                 {u"welcome status"_qs, s.tilingText, {}}});
    }
    rows.push_back({u"welcome without a compositor"_qs, welcomeStatus(true, true, false, false, false).previewsText,
                    u"● Window previews on; a compositor adds the 3D Shuffle."_qs});
    rows.push_back({u"welcome tiling tip"_qs, tilingToolTip(), {}});
    desk.setWindowControlGranted(false);
    welcome.refreshPermissionState();
    rows.push_back({u"welcome reset link"_qs, welcome.resetButton()->text(),
                    u"Still can’t arrange windows? Reset Framewell’s window control"_qs});
    for (const WhatsNew::Entry& entry : WhatsNew::releaseNotes())
        for (const QString& note : entry.notes)
            rows.push_back({u"What's New "_qs + entry.version, note, {}});
    rows.push_back({u"What's New 1.17.4"_qs, WhatsNew::releaseNotes()[7].notes[0],
                    u"Lighter on your computer: less work while you switch and move windows, and less memory after "
                    "transitions."_qs});
    const ReleaseInfo release{u"1.19"_qs, 2, u"13"_qs, {}, {}, {}};
    for (const auto& outcome : {UpdateCheck::Outcome::upToDate(u"1.18.1"_qs),
                                UpdateCheck::Outcome::available(release, u"1.18.1"_qs),
                                UpdateCheck::Outcome::needsNewerSystem(release, u"1.18.1"_qs),
                                UpdateCheck::Outcome::unreachable(), UpdateCheck::Outcome::noSource()}) {
        const auto alert = UpdateCheck::alertText(outcome, u"corvellan.example"_qs, u"Debian GNU/Linux"_qs);
        rows.insert(rows.end(), {{u"update alert"_qs, alert.message, {}}, {u"update alert"_qs, alert.informative, {}}});
    }
    StatusMenuState all;
    all.windowControl = all.windowPreviews = all.compositing = false;
    all.paused = true;
    all.stacks.movedBadges = true;
    addMenu(rows, statusMenu(all));
    addMenu(rows, windowStacksMenu(all));
    return rows;
}

TEST(DesktopWording, EveryTextSpeaksOfALinuxDesktop)
{
    VirtualClock clock;
    sim::SimDesktop desk{clock};
    MemoryDefaults defaults;
    sim::SimHotKeys keys;
    HotKeys hotKeys(keys, defaults);
    const HotKeyLabels labels(hotKeys);
    WelcomeWindowController welcome{desk, defaults, clock,
                                    [&] { return welcomeShortcutLine(labels); }};
    const QRegularExpression otherPlatform(
        u"traffic light|yellow button|\\bMac\\b|macOS|menu bar|\\bDock\\b|System Settings|System Preferences|"
        "Screen Recording|Accessibility|Liquid Glass|Chrome|Finder|Applications folder|[⌘⌥⌃⇧]|"
        "protected video|last tab in a web browser|back in the title bar|and enable window control"_qs,
        QRegularExpression::CaseInsensitiveOption);
    const std::vector<Row> rows = everyText(welcome, desk);
    EXPECT_GT(rows.size(), 150u);
    for (const Row& row : rows) {
        EXPECT_FALSE(otherPlatform.match(row.text).hasMatch()) << row.where.toStdString() << ": " << row.text.toStdString();
        if (!row.expected.isEmpty()) {
            EXPECT_EQ(row.text, row.expected) << row.where.toStdString();
        }
    }
}

} // namespace
} // namespace fw
