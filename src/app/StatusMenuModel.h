#pragma once
// The status menu as data: every item with its title, command, payload, state, key label,
// tool tip, symbol and submenu, computed afresh from one snapshot of the program's state each
// time the menu opens. The tray's view turns it into menus and sends each chosen item's command
// with its payload back to the shell. The two display submenus ("Choose a Layout", "Switch
// Layout") carry a signature: the view rebuilds them only when it changes.

#include "app/Shortcuts.h"
#include "app/StackCommands.h"
#include "layout/SnapLayout.h"
#include "platform/Screens.h"
#include "transitions/StackTransition.h"

#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <variant>
#include <vector>

namespace fw {

enum class MenuCommand {
    none,
    showWelcome,
    openTilingSettings,
    togglePause,
    placeFocusedWindow,
    chooseLayout,
    adjustLayout,
    restoreWindow,
    showWindowStack,
    nextInStack,
    previousInStack,
    sendFocusedSpanToBack,
    chooseTransition,
    toggleStacks,
    toggleBadges,
    toggleBadgeAutoPlace,
    toggleBadgesOnEdge,
    resetAllBadges,
    toggleLogin,
    enableThumbnails,
    showShortcuts,
    showTour,
    checkForUpdates,
    showAbout,
    quit,
    applyMenuLayout,
    chooseLayoutToSwitch,
    createCustomLayout,
    editCustomLayout,
    importLayouts,
    exportLayouts,
    resetLayouts,
};

// What a layout row carries: the layout, its display and the display's visible frame when the
// row was made (a row made for other display bounds is stale).
struct LayoutMenuChoice {
    SnapLayout layout;
    QString display;
    Rect displayBounds;
    friend bool operator==(const LayoutMenuChoice&, const LayoutMenuChoice&) = default;
};

// An item's represented object: nothing, a text (a display key, a transition's stored text),
// a text list ([display key, layout id]) or a layout row's choice.
using MenuPayload = std::variant<std::monostate, QString, QStringList, LayoutMenuChoice>;

// The picture row of a layout: diagram, name, detail line and check mark.
struct LayoutRow {
    SnapLayout layout;
    QString name;
    QString detail;
    bool current = false;
    friend bool operator==(const LayoutRow&, const LayoutRow&) = default;
};

struct Menu;

struct MenuItem {
    enum class Kind { command, separator, header };
    Kind kind = Kind::command;
    QString title;
    MenuCommand command = MenuCommand::none;
    MenuPayload payload;
    bool enabled = true;
    bool checked = false;
    bool checkable = false;             // an on/off item: shows its state while off too
    bool hidden = false;
    QString keyLabel;                   // "Ctrl+Alt+P"; empty for none
    QString toolTip;
    QString symbol;                     // symbol name of the item's image
    std::optional<SnapLayout> diagram;  // the layout's diagram as the item's image
    std::optional<LayoutRow> row;       // shown as a picture row instead of a plain item
    std::shared_ptr<Menu> submenu;
};

struct Menu {
    QString title;
    QString signature;   // the display submenus only
    std::vector<MenuItem> items;

    // The first item with this title, at this level; null when none.
    const MenuItem* item(const QString& title) const;
    MenuItem* item(const QString& title);
};

// The display a window command would act on, as its layout menus need it.
struct DisplayMenuState {
    ScreenInfo screen;
    QString key;
    std::vector<SnapLayout> offered;         // every layout that can be applied there, in menu order
    std::vector<SnapLayout> custom;          // the display's own layouts, in stored order
    std::optional<SnapLayout> applied;       // the layout applied there now
    std::optional<int> activeCustom;         // position of the active one among `custom`
};

struct StatusMenuState {
    bool paused = false;
    bool windowControl = true;
    bool windowPreviews = true;
    bool compositing = true;        // a compositor runs, so stack transitions are drawn
    bool startAtLogin = false;
    QString startAtLoginMissing;    // the program an entry at login names that is gone
    std::optional<bool> edgeTiling;
    std::optional<bool> topTiling;
    // Each action's effective key combination; none when turned off.
    std::map<ShortcutAction, std::optional<KeyCombo>> combos;
    // The actions whose key another program holds: their items offer no key.
    std::set<ShortcutAction> takenKeys;
    // The layout keys another program holds, by position (0 is Ctrl+Alt+1).
    std::set<std::size_t> takenLayoutKeys;
    struct Stacks {
        bool available = false;
        bool presented = false;     // badges and a switcher are drawn
        bool enabled = true;        // "windowStacksEnabled"
        StackTransition transition = StackTransition::shuffle;
        StackBadgeSettings badges;
        bool movedBadges = false;
    } stacks;
    QString appearance;             // "light" or "dark": the palette the diagrams are drawn in
    DisplayMenuState display;
};

// The whole menu, submenus included.
Menu statusMenu(const StatusMenuState& state);
Menu windowStacksMenu(const StatusMenuState& state);
Menu chooseLayoutMenu(const StatusMenuState& state);
Menu switchLayoutMenu(const StatusMenuState& state);

// The rows of a display's layouts with their headers: the display name, whether layouts can
// be placed now, then each layout ("Adjusted: " layouts after one "Adjusted proportions"
// header). Every row sends `command` with its LayoutMenuChoice.
Menu layoutChoiceMenu(const std::vector<SnapLayout>& layouts, const std::optional<SnapLayout>& current,
                      const QString& display, const QString& displayName, bool enabled, MenuCommand command,
                      const Rect& displayBounds);

// The texts of the parts joined with "|", then "|", the appearance, "|" and the layouts as
// JSON: equal exactly when nothing the submenu shows has changed.
QString menuSignature(const QStringList& parts, const std::vector<SnapLayout>& layouts, const QString& appearance);

// Everything the menu shows and sends, as text: equal exactly when a view built from one menu
// would show and do what one built from the other does (every level, states and payloads).
QString menuDigest(const Menu& menu);

// The key label an item shows for a combination: "Ctrl+Alt+P"; empty without a combination
// or when its key's label is more than one character ("Space", "F5").
QString keyEquivalentLabel(const std::optional<KeyCombo>& combo);

// "Ctrl+Alt+1" … "Ctrl+Alt+9" for the first nine own layouts; empty from the tenth on.
QString layoutKeyLabel(std::size_t position);

// Whether the item's layout is the current one: same id and an equal tree.
bool isCurrentLayout(const SnapLayout& layout, const std::optional<SnapLayout>& current);

} // namespace fw
