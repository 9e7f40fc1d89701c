// The shortcut model and its two stored tables. Decoding is all or nothing: one malformed
// entry makes a whole table read as empty, so every action falls back to its default.
#include "app/Shortcuts.h"

#include "base/Log.h"

#include <QJsonObject>
#include <QStringList>

#include <cmath>

namespace fw {

namespace {

struct ActionInfo {
    ShortcutAction action;
    const char* title;
    const char* key;
    std::uint32_t keyCode;
};

constexpr ActionInfo actionInfo[] = {
    {ShortcutAction::place, "Place Focused Window", "P", 35},
    {ShortcutAction::layouts, "Open Layout Gallery", "Z", 6},
    {ShortcutAction::adjust, "Adjust Shared Dividers", "A", 0},
    {ShortcutAction::stack, "Show Window Stack", "S", 1},
    {ShortcutAction::next, "Next Window in Stack", "]", 30},
    {ShortcutAction::previous, "Previous Window in Stack", "[", 33},
    {ShortcutAction::sendToBack, "Move Spanning Window Behind", "B", 11},
    {ShortcutAction::restore, "Restore Focused Window", "R", 15},
};

std::function<QString(std::uint32_t)>& currentKeyCharacters()
{
    static std::function<QString(std::uint32_t)> characters;
    return characters;
}

std::function<QLocale()>& keyboardLocale()
{
    static std::function<QLocale()> locale;
    return locale;
}

// A typed character upper-cased by the keyboard's language: Turkish and Azerbaijani write the
// capital of i as İ (and of ı as I), which the toolkit's own rule leaves to its locale library.
QString upperCased(const QString& characters)
{
    const QLocale locale = keyboardLocale() ? keyboardLocale()() : QLocale();
    const bool dottedCapital = locale.language() == QLocale::Turkish || locale.language() == QLocale::Azerbaijani;
    QString text = characters;
    if (dottedCapital)
        text.replace(u'i', QChar(0x0130));
    return locale.toUpper(text);
}

const ActionInfo& info(ShortcutAction action)
{
    for (const ActionInfo& i : actionInfo)
        if (i.action == action)
            return i;
    return actionInfo[0];
}

QString numberKey(ShortcutAction action)
{
    return QString::number(rawValue(action));
}

std::optional<KeyCombo> effectiveCombo(const ShortcutStore::Entries& table, ShortcutAction action)
{
    const auto it = table.find(numberKey(action));
    if (it != table.end())
        return it->second.combo;
    return KeyCombo::defaultFor(action);
}

// A whole number within [low, high], or nothing (another type, a fraction, out of range).
template<typename T>
std::optional<T> readInteger(const QJsonValue& v, double low, double high)
{
    if (!v.isDouble())
        return std::nullopt;
    const double d = v.toDouble();
    if (d < low || d > high || d != std::floor(d))
        return std::nullopt;
    return T(d);
}

std::optional<std::uint32_t> readUInt32(const QJsonValue& v)
{
    return readInteger<std::uint32_t>(v, 0, 4294967295.0);
}

// An entry object; nothing when malformed. A missing or null "combo" turns the key off.
std::optional<ShortcutStore::Entry> decodeEntry(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonValue c = value.toObject().value(QStringLiteral("combo"));
    if (c.isUndefined() || c.isNull())
        return ShortcutStore::Entry{};
    if (!c.isObject())
        return std::nullopt;
    const QJsonObject o = c.toObject();
    const auto keyCode = readUInt32(o.value(QStringLiteral("keyCode")));
    const auto modifiers = readUInt32(o.value(QStringLiteral("modifiers")));
    const QJsonValue key = o.value(QStringLiteral("key"));
    if (!keyCode || !modifiers || !key.isString())
        return std::nullopt;
    return ShortcutStore::Entry{KeyCombo{*keyCode, *modifiers, key.toString()}};
}

QJsonObject encodeEntry(const ShortcutStore::Entry& entry)
{
    QJsonObject o;
    if (entry.combo)
        o.insert(QStringLiteral("combo"), QJsonObject{{QStringLiteral("keyCode"), double(entry.combo->keyCode)},
                                                     {QStringLiteral("modifiers"), double(entry.combo->modifiers)},
                                                     {QStringLiteral("key"), entry.combo->key}});
    return o;
}

std::optional<MouseTrigger> decodeTrigger(const QJsonValue& value)
{
    if (!value.isObject())
        return std::nullopt;
    const QJsonObject o = value.toObject();
    const auto button = readInteger<int>(o.value(QStringLiteral("button")), -2147483648.0, 2147483647.0);
    const auto modifiers = readUInt32(o.value(QStringLiteral("modifiers")));
    if (!button || !modifiers)
        return std::nullopt;
    return MouseTrigger{*button, *modifiers};
}

// A key of the mouse table as an action: decimal digits of an unsigned 32-bit number that is
// one of the actions' numbers ("05" names the same action as "5").
std::optional<ShortcutAction> actionForKey(const QString& key)
{
    if (key.isEmpty() || key.size() > 10)
        return std::nullopt;
    for (QChar ch : key)
        if (ch < u'0' || ch > u'9')
            return std::nullopt;
    const qulonglong n = key.toULongLong();
    if (n > 0xffffffffull)
        return std::nullopt;
    return shortcutAction(std::uint32_t(n));
}

// A stored table as it is; empty when absent or no object.
QJsonObject storedTable(const UserDefaults& defaults, const QString& key)
{
    const auto value = defaults.value(key);
    return value && value->isObject() ? value->toObject() : QJsonObject();
}

// The table without its damaged entries (values that are no object), for writing back.
QJsonObject withoutDamaged(QJsonObject table)
{
    for (auto it = table.begin(); it != table.end();)
        it = it.value().isObject() ? it + 1 : table.erase(it);
    return table;
}

// What a key names, for the user: the action's title, or "a shortcut".
QString shownKey(const QString& key)
{
    const auto action = actionForKey(key);
    return action ? title(*action) : QStringLiteral("a shortcut");
}

// Checks one stored table: a damaged one (no object) or damaged entries (values that are no
// object) are dropped and named in `dropped`; entries this version cannot read are kept, and
// said in one log line.
void checkTable(UserDefaults& defaults, const QString& key, bool (*readable)(const QString&, const QJsonValue&),
                QStringList& dropped)
{
    const auto value = defaults.value(key);
    if (!value)
        return;
    if (!value->isObject()) {
        log::error(LogCategory::App, "Stored shortcuts %{public}s are no JSON object: dropped", key);
        dropped << QStringLiteral("a shortcut");
        defaults.remove(key);
        return;
    }
    const QJsonObject table = value->toObject();
    QStringList damaged, unread;
    for (auto it = table.begin(); it != table.end(); ++it) {
        if (!it.value().isObject())
            damaged << it.key();
        else if (!readable(it.key(), it.value()))
            unread << it.key();
    }
    if (!unread.isEmpty())
        log::info(LogCategory::App, "Stored shortcuts %{public}s: entries %{public}s are of a form this version cannot "
                  "read; they are kept, unused", key, unread.join(QStringLiteral(", ")));
    if (damaged.isEmpty())
        return;
    log::error(LogCategory::App, "Stored shortcuts %{public}s: damaged entries %{public}s dropped", key,
               damaged.join(QStringLiteral(", ")));
    for (const QString& k : damaged)
        dropped << shownKey(k);
    defaults.setValue(key, withoutDamaged(table));
}

bool keyEntryReadable(const QString& key, const QJsonValue& value)
{
    return actionForKey(key) && decodeEntry(value).has_value();
}

bool mouseEntryReadable(const QString& key, const QJsonValue& value)
{
    return actionForKey(key) && decodeTrigger(value).has_value();
}

} // namespace

std::optional<ShortcutAction> shortcutAction(std::uint32_t raw)
{
    for (const ActionInfo& i : actionInfo)
        if (rawValue(i.action) == raw)
            return i.action;
    return std::nullopt;
}

QString title(ShortcutAction action)
{
    return QString::fromUtf8(info(action).title);
}

ClickReach clickReach(ShortcutAction action)
{
    switch (action) {
    case ShortcutAction::stack:
    case ShortcutAction::next:
    case ShortcutAction::previous: return ClickReach::stack;
    case ShortcutAction::sendToBack: return ClickReach::span;
    case ShortcutAction::place:
    case ShortcutAction::layouts:
    case ShortcutAction::adjust:
    case ShortcutAction::restore: return ClickReach::anywhere;
    }
    return ClickReach::anywhere;
}

QString modifierLabel(std::uint32_t modifiers)
{
    QStringList names;
    if (modifiers & StoredCtrl)
        names << QStringLiteral("Ctrl");
    if (modifiers & StoredAlt)
        names << QStringLiteral("Alt");
    if (modifiers & StoredShift)
        names << QStringLiteral("Shift");
    if (modifiers & StoredSuper)
        names << QStringLiteral("Super");
    return names.join(u'+');
}

KeyCombo KeyCombo::defaultFor(ShortcutAction action)
{
    const ActionInfo& i = info(action);
    return KeyCombo{i.keyCode, StoredCtrl | StoredAlt, QString::fromUtf8(i.key)};
}

void setCurrentKeyCharacters(std::function<QString(std::uint32_t keyCode)> characters)
{
    currentKeyCharacters() = std::move(characters);
}

void setKeyboardLocale(std::function<QLocale()> locale) { keyboardLocale() = std::move(locale); }

QString KeyCombo::displayString() const
{
    QString label = key;
    if (const auto& current = currentKeyCharacters()) {
        const QString characters = current(keyCode);
        if (!characters.isEmpty())
            label = keyLabel(keyCode, characters);
    }
    const QString mods = modifierLabel(modifiers);
    return mods.isEmpty() ? label : mods + u'+' + label;
}

QString KeyCombo::keyLabel(std::uint32_t keyCode, const QString& characters)
{
    switch (keyCode) {
    case KeyCodeReturn:
        return QStringLiteral("↩");
    case KeyCodeTab:
        return QStringLiteral("⇥");
    case KeyCodeSpace:
        return QStringLiteral("Space");
    case KeyCodeLeft:
        return QStringLiteral("←");
    case KeyCodeRight:
        return QStringLiteral("→");
    case KeyCodeDown:
        return QStringLiteral("↓");
    case KeyCodeUp:
        return QStringLiteral("↑");
    default:
        break;
    }
    if (characters.isEmpty())
        return QStringLiteral("?");
    // A typed character is shown upper-cased (unless that makes two, as "ß" would); a key's
    // name ("Page Up") as it is.
    const QString upper = upperCased(characters);
    return characters.size() == 1 && upper.size() == 1 ? upper : characters;
}

QString MouseTrigger::description() const
{
    const QString name = button == 2 ? QStringLiteral("Middle button") : QStringLiteral("Button %1").arg(button + 1);
    const QString mods = modifierLabel(modifiers);
    return mods.isEmpty() ? name : mods + u'+' + name;
}

ShortcutStore::Entries ShortcutStore::entries() const
{
    Entries table;
    const QJsonObject o = storedTable(defaults_, keysKey);
    for (auto it = o.begin(); it != o.end(); ++it) {
        if (auto entry = decodeEntry(it.value()))
            table.emplace(it.key(), std::move(*entry));
    }
    return table;
}

std::optional<KeyCombo> ShortcutStore::combo(ShortcutAction action) const
{
    return effectiveCombo(entries(), action);
}

void ShortcutStore::setCombo(const std::optional<KeyCombo>& combo, ShortcutAction action)
{
    QJsonObject o = withoutDamaged(storedTable(defaults_, keysKey));
    o.insert(numberKey(action), encodeEntry(Entry{combo}));
    defaults_.setValue(keysKey, o);
}

std::map<ShortcutAction, MouseTrigger> ShortcutStore::mouseTriggers() const
{
    std::map<ShortcutAction, MouseTrigger> triggers;
    const QJsonObject o = storedTable(defaults_, mouseKey);
    for (auto it = o.begin(); it != o.end(); ++it) {
        const auto trigger = decodeTrigger(it.value());
        const auto action = actionForKey(it.key());
        if (!trigger || !action)
            continue;
        // Two keys for one action (only a hand edit makes them): the plain number wins,
        // else the first in key order.
        if (it.key() == numberKey(*action) || !triggers.count(*action))
            triggers[*action] = *trigger;
    }
    return triggers;
}

void ShortcutStore::setMouseTrigger(const std::optional<MouseTrigger>& trigger, ShortcutAction action)
{
    // Every key naming the action goes ("05" as "5"); the others stay as stored.
    QJsonObject o = withoutDamaged(storedTable(defaults_, mouseKey));
    for (auto it = o.begin(); it != o.end();)
        it = actionForKey(it.key()) == action ? o.erase(it) : it + 1;
    if (trigger)
        o.insert(numberKey(action), QJsonObject{{QStringLiteral("button"), trigger->button},
                                                {QStringLiteral("modifiers"), double(trigger->modifiers)}});
    defaults_.setValue(mouseKey, o);
}

std::optional<ShortcutAction> ShortcutStore::action(const KeyCombo& combo, std::optional<ShortcutAction> excluding) const
{
    const Entries table = entries();
    for (ShortcutAction a : allShortcutActions)
        if (a != excluding && effectiveCombo(table, a) == combo)
            return a;
    return std::nullopt;
}

std::optional<ShortcutAction> ShortcutStore::action(const MouseTrigger& trigger,
                                                    std::optional<ShortcutAction> excluding) const
{
    for (const auto& [a, t] : mouseTriggers())
        if (a != excluding && t == trigger)
            return a;
    return std::nullopt;
}

std::optional<QString> ShortcutStore::dropDamagedEntries()
{
    QStringList dropped;
    checkTable(defaults_, keysKey, &keyEntryReadable, dropped);
    checkTable(defaults_, mouseKey, &mouseEntryReadable, dropped);
    if (dropped.isEmpty())
        return std::nullopt;
    dropped.removeDuplicates();
    return QStringLiteral("Some saved shortcuts couldn’t be read and are back to their defaults: %1.")
        .arg(dropped.join(QStringLiteral(", ")));
}

void ShortcutStore::restoreDefaults()
{
    // Entries for actions this version does not know stay, as stored, for the version that does.
    for (const QString& key : {keysKey, mouseKey}) {
        QJsonObject kept = withoutDamaged(storedTable(defaults_, key));
        for (auto it = kept.begin(); it != kept.end();)
            it = actionForKey(it.key()) ? kept.erase(it) : it + 1;
        if (kept.isEmpty())
            defaults_.remove(key);
        else
            defaults_.setValue(key, kept);
    }
}

std::optional<QString> ShortcutStore::refusal(const KeyCombo& combo, ShortcutAction action) const
{
    if (!combo.hasRequiredModifier())
        return QStringLiteral("Include Ctrl, Alt or Super.");
    if (const auto holder = this->action(combo, action))
        return combo.displayString() + QStringLiteral(" is already ") + title(*holder) + u'.';
    return std::nullopt;
}

std::optional<QString> ShortcutStore::refusal(const MouseTrigger& trigger, ShortcutAction action) const
{
    if (const auto holder = this->action(trigger, action))
        return trigger.description() + QStringLiteral(" is already ") + title(*holder) + u'.';
    return std::nullopt;
}

} // namespace fw
