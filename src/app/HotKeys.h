#pragma once
// The global hot keys: the stored keyboard shortcuts of the eight actions, the nine fixed
// layout keys Ctrl+Alt+1 … 9 (ids 101 to 109) and, while the layout picker is shown, the
// Escape key (id 4). Every press reaches one closure, `action`, with the key's id; what an id
// does is the command dispatch's business. The keys follow the keyboard layout: when it
// changes, everything is registered again (a code may now land on a key another one holds:
// that action fails like a taken key) and `onKeysChanged` tells the owner. While the handler
// is installed, shown labels name what the keys type on the current layout. Main thread only.
//
//   HotKeys hotKeys(platformHotKeys, defaults);
//   hotKeys.action = [&](std::uint32_t id) { dispatch(id); };
//   hotKeys.onKeysChanged = [&] { shortcutsWindow.refresh(); };
//   hotKeys.installHandler();
//   hotKeys.registerKeys();        // failures() names the actions whose keys are taken

#include "app/Shortcuts.h"
#include "platform/GlobalHotKeys.h"
#include "snap/ShortcutLabels.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <set>
#include <vector>

namespace fw {

class HotKeys {
public:
    static constexpr std::uint32_t escapeKeyId = 4;
    static constexpr std::uint32_t firstLayoutKeyId = 101;   // Ctrl+Alt+1; 109 is Ctrl+Alt+9
    // The layout keys: Ctrl+Alt with the key codes of the digits 1 to 9.
    static constexpr std::array<std::uint32_t, 9> layoutKeyCodes{18, 19, 20, 21, 23, 22, 26, 28, 25};
    static constexpr std::uint32_t layoutKeyModifiers = StoredCtrl | StoredAlt;
    // The last notice of taken keys told.
    static inline const QString takenKeysToldKey = QStringLiteral("takenKeysTold");

    HotKeys(GlobalHotKeys& platform, UserDefaults& defaults);
    // Leaves nothing registered.
    ~HotKeys();
    HotKeys(const HotKeys&) = delete;
    HotKeys& operator=(const HotKeys&) = delete;

    // Called with the id of every press.
    std::function<void(std::uint32_t id)> action;
    // Called after the keys were registered again for a changed keyboard layout: failures()
    // and the labels may differ.
    std::function<void()> onKeysChanged;

    // Connects the presses to `handle` and the layout's changes to registering again, and
    // makes labels follow the layout / undoes all three.
    void installHandler();
    void removeHandler();
    bool handlerInstalled() const { return handlerInstalled_; }
    // One press: calls `action` when it is set.
    void handle(std::uint32_t id);

    // Registers the layout keys, then each action's effective combination in case order.
    // Adds to what is registered (callers unregister first); ignores `suspended`. An action
    // whose key cannot be registered is logged and put into failures(); the layout keys that
    // fail are logged in one line and put into layoutKeyFailures().
    void registerKeys();
    // Unregisters everything registerKeys registered; the Escape key stays.
    void unregisterAll();
    // unregisterAll, then registerKeys unless suspended: after the shortcuts changed.
    void reregister();

    // The Escape key (no modifiers, id 4) while the layout picker is shown. False when it
    // could not be registered.
    bool registerEscapeKey();
    void unregisterEscapeKey();
    bool escapeKeyRegistered() const { return escapeKey_ != 0; }

    // The actions whose registration failed in the last registerKeys.
    const std::set<ShortcutAction>& failures() const { return failures_; }
    // The layout keys whose registration failed in the last registerKeys, by position (0 is
    // Ctrl+Alt+1).
    const std::set<std::size_t>& layoutKeyFailures() const { return layoutKeyFailures_; }
    // The key menus and texts offer for the action: its effective combination while it works;
    // none when it is turned off or failed to register in the last registerKeys.
    std::optional<KeyCombo> offeredCombo(ShortcutAction action) const;
    // What to tell of the actions' keys that failed in the last registerKeys: "Ctrl+Alt+P and
    // Ctrl+Alt+S are in use elsewhere. …", naming where to change them; none when every key
    // works or the same keys were told before (the told text is kept in the defaults).
    std::optional<QString> takenKeysNotice();
    std::size_t registeredCount() const { return keys_.size(); }

    // True while the shortcuts window records: the keys being recorded must reach it.
    bool suspended() const { return suspended_; }
    // When the value changes: unregisters every key (true) or registers them again (false).
    void setSuspended(bool suspended);

private:
    void keyboardChanged();

    GlobalHotKeys& platform_;
    ShortcutStore store_;
    bool handlerInstalled_ = false;
    std::vector<HotKeyRef> keys_;
    HotKeyRef escapeKey_ = 0;
    std::set<ShortcutAction> failures_;
    std::set<std::size_t> layoutKeyFailures_;
    bool suspended_ = false;
};

// The keys texts offer, as the hot keys have them: an action's key while it works (empty when
// turned off or another program holds it) and the layout keys that registered.
class HotKeyLabels final : public CommandShortcuts {
public:
    explicit HotKeyLabels(const HotKeys& keys) : keys_(keys) {}
    QString label(std::uint32_t command) const override;
    bool layoutKeyWorks(std::size_t position) const override;

private:
    const HotKeys& keys_;
};

} // namespace fw
