// Registers the global hot keys (stored shortcuts, Ctrl+Alt+1…9, Escape while the picker shows) and
// registers them again when the keyboard layout changes; every press goes to one closure by id.
#include "app/HotKeys.h"

#include "app/StatusMenuModel.h"
#include "base/Log.h"

#include <QStringList>

namespace fw {

HotKeys::HotKeys(GlobalHotKeys& platform, UserDefaults& defaults) : platform_(platform), store_(defaults) {}

HotKeys::~HotKeys()
{
    unregisterEscapeKey();
    unregisterAll();
    removeHandler();
}

void HotKeys::installHandler()
{
    platform_.setHandler([this](std::uint32_t id) { handle(id); });
    platform_.setKeyboardHandler([this] { keyboardChanged(); });
    setCurrentKeyCharacters([this](std::uint32_t keyCode) { return platform_.keyCharacters(keyCode); });
    setKeyboardLocale([this] { return platform_.keyboardLocale(); });
    handlerInstalled_ = true;
}

void HotKeys::removeHandler()
{
    if (!handlerInstalled_)
        return;
    platform_.setHandler(nullptr);
    platform_.setKeyboardHandler(nullptr);
    setCurrentKeyCharacters(nullptr);
    setKeyboardLocale(nullptr);
    handlerInstalled_ = false;
}

void HotKeys::keyboardChanged()
{
    reregister();
    log::info(LogCategory::HotKeys, "Keyboard layout changed: %d keys registered again", int(keys_.size()));
    if (escapeKey_) {
        unregisterEscapeKey();
        registerEscapeKey();
    }
    if (onKeysChanged)
        onKeysChanged();
}

void HotKeys::handle(std::uint32_t id)
{
    if (action)
        action(id);
}

void HotKeys::registerKeys()
{
    failures_.clear();
    layoutKeyFailures_.clear();
    QStringList taken;
    int status = HotKeyOk;
    for (std::uint32_t i = 0; i < 9; ++i) {
        const auto r = platform_.registerHotKey(layoutKeyCodes[i], layoutKeyModifiers, firstLayoutKeyId + i);
        if (r.status == HotKeyOk && r.ref) {
            keys_.push_back(r.ref);
            continue;
        }
        layoutKeyFailures_.insert(i);
        taken.push_back(layoutKeyLabel(i));
        status = r.status;
    }
    // Another program's workspace keys often hold them all: one line says so.
    if (!taken.isEmpty())
        log::error(LogCategory::HotKeys, "Registration failed: %{public}s status %d", taken.join(QStringLiteral(", ")), status);
    for (ShortcutAction a : allShortcutActions) {
        const auto combo = store_.combo(a);
        if (!combo)
            continue;   // turned off
        const auto r = platform_.registerHotKey(combo->keyCode, combo->modifiers, rawValue(a));
        if (r.status == HotKeyOk && r.ref) {
            keys_.push_back(r.ref);
            continue;
        }
        failures_.insert(a);
        log::error(LogCategory::HotKeys, "Registration failed: %{public}s status %d", title(a), r.status);
    }
}

std::optional<QString> HotKeys::takenKeysNotice()
{
    QStringList keys;
    for (ShortcutAction a : allShortcutActions)
        if (failures_.count(a))
            keys << store_.combo(a)->displayString();
    UserDefaults& defaults = store_.defaults();
    if (keys.isEmpty()) {
        if (defaults.value(takenKeysToldKey))
            defaults.remove(takenKeysToldKey);
        return std::nullopt;
    }
    const QString last = keys.takeLast();
    const QString text = keys.isEmpty()
        ? last + QStringLiteral(" is in use elsewhere, so Framewell can’t use it. Choose another key in Shortcuts…")
        : keys.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last
            + QStringLiteral(" are in use elsewhere, so Framewell can’t use them. Choose other keys in Shortcuts…");
    if (defaults.stringValue(takenKeysToldKey) == text)
        return std::nullopt;
    defaults.setValue(takenKeysToldKey, text);
    return text;
}

std::optional<KeyCombo> HotKeys::offeredCombo(ShortcutAction action) const
{
    return failures_.count(action) ? std::nullopt : store_.combo(action);
}

void HotKeys::unregisterAll()
{
    for (HotKeyRef ref : keys_)
        platform_.unregisterHotKey(ref);
    keys_.clear();
}

void HotKeys::reregister()
{
    unregisterAll();
    if (!suspended_)
        registerKeys();
}

bool HotKeys::registerEscapeKey()
{
    if (escapeKey_)
        return true;
    const auto r = platform_.registerHotKey(KeyCodeEscape, 0, escapeKeyId);
    if (r.status == HotKeyOk)
        escapeKey_ = r.ref;
    return escapeKey_ != 0;
}

void HotKeys::unregisterEscapeKey()
{
    if (!escapeKey_)
        return;
    platform_.unregisterHotKey(escapeKey_);
    escapeKey_ = 0;
}

void HotKeys::setSuspended(bool suspended)
{
    if (suspended == suspended_)
        return;
    suspended_ = suspended;
    unregisterAll();
    if (!suspended)
        registerKeys();
}

QString HotKeyLabels::label(std::uint32_t command) const
{
    const auto action = shortcutAction(command);
    const auto combo = action ? keys_.offeredCombo(*action) : std::nullopt;
    return combo ? combo->displayString() : QString();
}

bool HotKeyLabels::layoutKeyWorks(std::size_t position) const { return !keys_.layoutKeyFailures().count(position); }

} // namespace fw
