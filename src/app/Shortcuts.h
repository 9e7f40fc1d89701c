#pragma once
// The shortcut model: the eight bindable commands, their key combinations and mouse-button
// triggers, the labels shown for them, and the store that keeps both tables in the user
// defaults ("shortcuts.v1" and "mouseShortcuts.v1", JSON objects keyed by the command's
// number). The store keeps no state of its own: every call reads or writes the defaults, so
// every reader sees the latest table. Main thread only.
//
// Entries are read one by one. One this version cannot read (an object of a newer form, or
// naming an action it does not know) is left out of use and kept as stored across every write;
// a damaged one (a value that is no object) is left out too, and dropped at the start, told.

#include "base/UserDefaults.h"
#include "platform/InputCodes.h"

#include <QLocale>
#include <QString>

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <tuple>

namespace fw {

// The raw value is the command's number everywhere: hot-key id, key of both stored tables,
// what a mouse shortcut hands to the command dispatch.
enum class ShortcutAction : std::uint32_t {
    place = 6,
    layouts = 1,
    adjust = 2,
    stack = 5,
    next = 7,
    previous = 8,
    sendToBack = 9,
    restore = 3,
};

// Case order: the order of every walk over the actions.
inline constexpr std::array<ShortcutAction, 8> allShortcutActions{
    ShortcutAction::place, ShortcutAction::layouts,  ShortcutAction::adjust,     ShortcutAction::stack,
    ShortcutAction::next,  ShortcutAction::previous, ShortcutAction::sendToBack, ShortcutAction::restore,
};

constexpr std::uint32_t rawValue(ShortcutAction a) { return std::uint32_t(a); }
// 1, 2, 3, 5, 6, 7, 8, 9 name actions; every other number (4 is the Escape key) none.
std::optional<ShortcutAction> shortcutAction(std::uint32_t rawValue);
// "Place Focused Window", "Open Layout Gallery", …
QString title(ShortcutAction action);

// Where a mouse shortcut's action has something to do with the click: anywhere (placing, the
// gallery, the dividers, restoring), on a stacked window (its switcher, its next or previous
// window) or on a window of a span's stack (sending the span behind). Elsewhere the click is
// the window's under the pointer: the middle button pastes there.
enum class ClickReach { anywhere, stack, span };
ClickReach clickReach(ShortcutAction action);

// The modifier names of a stored mask in the fixed order Ctrl, Alt, Shift, Super, joined
// with "+" ("Ctrl+Alt"); empty without modifiers.
QString modifierLabel(std::uint32_t modifiers);

// What a stored key code types on the keyboard's current layout ("+" for 30 under a German
// layout), empty where that is not known. The live hot keys install it; every label shown
// follows it. An empty function leaves the recorded labels.
void setCurrentKeyCharacters(std::function<QString(std::uint32_t keyCode)> characters);
// The language of the keyboard's layout, whose rules upper-case the labels (GlobalHotKeys::
// keyboardLocale); the user's locale while none is installed.
void setKeyboardLocale(std::function<QLocale()> locale);

struct KeyCombo {
    std::uint32_t keyCode = 0;
    std::uint32_t modifiers = 0;   // stored bits only
    QString key;                   // the key's label, as recorded

    // The default binding: Ctrl+Alt and the action's key.
    static KeyCombo defaultFor(ShortcutAction action);

    // "Ctrl+Alt+P": the modifier names, then the key's label: what the key types on the
    // current layout where that is known (setCurrentKeyCharacters), else the recorded one.
    QString displayString() const;
    // The label of a key: Return "↩", Tab "⇥", Space "Space", the arrows "←" "→" "↓" "↑";
    // otherwise what it types without modifiers, upper-cased in the keyboard's language, or the key's name ("F5",
    // "Page Up") when it types nothing visible; "?" when that is empty.
    static QString keyLabel(std::uint32_t keyCode, const QString& characters);
    // Whether the combination holds Ctrl, Alt or Super (a binding needs one of them).
    bool hasRequiredModifier() const { return (modifiers & (StoredCtrl | StoredAlt | StoredSuper)) != 0; }

    friend bool operator==(const KeyCombo&, const KeyCombo&) = default;
};

struct MouseTrigger {
    int button = 2;                // stored button number; 2 is the middle button
    std::uint32_t modifiers = 0;

    // "Middle button", "Button 4" (stored button 3), "Ctrl+Alt+Middle button".
    QString description() const;

    friend bool operator==(const MouseTrigger&, const MouseTrigger&) = default;
    friend bool operator<(const MouseTrigger& a, const MouseTrigger& b)
    {
        return std::tie(a.button, a.modifiers) < std::tie(b.button, b.modifiers);
    }
};

class ShortcutStore {
public:
    static inline const QString keysKey = QStringLiteral("shortcuts.v1");
    static inline const QString mouseKey = QStringLiteral("mouseShortcuts.v1");

    // An entry without a combo turns the action's keyboard shortcut off.
    struct Entry {
        std::optional<KeyCombo> combo;
        friend bool operator==(const Entry&, const Entry&) = default;
    };
    using Entries = std::map<QString, Entry>;   // decimal action number → entry

    explicit ShortcutStore(UserDefaults& defaults) : defaults_(defaults) {}
    UserDefaults& defaults() const { return defaults_; }

    // The stored key table's entries that this version reads.
    Entries entries() const;
    // The effective combination: the stored entry's (none when turned off), else the default.
    std::optional<KeyCombo> combo(ShortcutAction action) const;
    // Stores the combination (none turns the shortcut off), keeping every other entry as stored.
    void setCombo(const std::optional<KeyCombo>& combo, ShortcutAction action);

    // The stored mouse triggers this version reads, by the action their key names.
    std::map<ShortcutAction, MouseTrigger> mouseTriggers() const;
    // Stores or (none) removes the action's trigger, keeping the others as stored.
    void setMouseTrigger(const std::optional<MouseTrigger>& trigger, ShortcutAction action);

    // The first action in case order, other than `excluding`, whose effective combination
    // equals `combo` in all three fields.
    std::optional<ShortcutAction> action(const KeyCombo& combo, std::optional<ShortcutAction> excluding) const;
    // An action other than `excluding` whose stored trigger equals `trigger`.
    std::optional<ShortcutAction> action(const MouseTrigger& trigger, std::optional<ShortcutAction> excluding) const;

    // At the start: drops the damaged entries (and a table that is no object), logging the
    // entries kept unread in one line per table; what the user is told of the dropped ones, once.
    std::optional<QString> dropDamagedEntries();

    // Every action back to its default key and without a mouse trigger (entries for actions this
    // version does not know stay).
    void restoreDefaults();

    // Why a new binding for `action` is refused, or nothing when it may be stored:
    // "Include Ctrl, Alt or Super." or "Ctrl+Alt+Z is already Open Layout Gallery.".
    std::optional<QString> refusal(const KeyCombo& combo, ShortcutAction action) const;
    std::optional<QString> refusal(const MouseTrigger& trigger, ShortcutAction action) const;

private:
    UserDefaults& defaults_;
};

} // namespace fw
