// The shortcuts window's decisions: starting and ending a recording, what a key or click does during
// one, the hint line, and each row's button titles and note.
#include "app/ShortcutRecorder.h"

#include "app/HotKeys.h"

#include <utility>

namespace fw {

namespace {
const QString keyHint = QStringLiteral("Press the new shortcut, Delete to clear, or Escape to cancel.");
const QString heldKeyHint = QStringLiteral("Another program holds the keyboard, so keys it takes won’t arrive. "
                                           "Press the new shortcut, Delete to clear, or Escape to cancel.");
const QString unheldKeyHint = QStringLiteral("The keyboard can’t be held for this window, so keys other programs take "
                                             "won’t arrive. Press the new shortcut, Delete to clear, or Escape to cancel.");
const QString mouseHint = QStringLiteral(
    "Over this window, click the middle or a side button (hold keys to add them). Delete clears; Escape cancels.");

bool isClearKey(std::optional<std::uint32_t> keyCode)
{
    return keyCode == KeyCodeBackspace || keyCode == KeyCodeForwardDelete;
}
} // namespace

void ShortcutRecorder::recordKey(std::uint32_t tag)
{
    begin(tag, false);
}

void ShortcutRecorder::recordMouse(std::uint32_t tag)
{
    begin(tag, true);
}

bool ShortcutRecorder::begin(std::uint32_t tag, bool mouse)
{
    const auto action = shortcutAction(tag);
    if (!action)
        return false;
    endRecording();
    recording_ = action;
    recordingMouse_ = mouse;
    hint_ = mouse ? mouseHint : keyHint;
    if (onRecording)
        onRecording(true);
    if (!mouse && holdKeyboard) {
        switch (holdKeyboard()) {
        case KeyboardHold::Held:
            holding_ = true;
            break;
        case KeyboardHold::Busy:
            // Let go at the end too: the platform takes it once the other program lets go.
            holding_ = true;
            hint_ = heldKeyHint;
            break;
        case KeyboardHold::NotShown:
            // Nothing to tell: the platform takes it as the window shows.
            holding_ = true;
            break;
        case KeyboardHold::Impossible:
            hint_ = unheldKeyHint;
            break;
        }
    }
    update();
    return true;
}

bool ShortcutRecorder::keyDown(std::optional<std::uint32_t> keyCode, std::uint32_t modifiers, const QString& label)
{
    if (!recording_)
        return false;
    if (recordingMouse_)
        return keyDownForMouse(keyCode);
    return keyDownForKey(keyCode, modifiers & StoredModifierMask, label);
}

bool ShortcutRecorder::keyDownForKey(std::optional<std::uint32_t> keyCode, std::uint32_t modifiers,
                                     const QString& label)
{
    if (modifiers == 0 && keyCode == KeyCodeEscape) {
        endRecording();
        return true;
    }
    if (modifiers == 0 && isClearKey(keyCode)) {
        store_.setCombo(std::nullopt, *recording_);
        finish();
        return true;
    }
    if (!keyCode) {
        const QString key = label.isEmpty() ? QStringLiteral("This key") : label;
        return offer(key + QStringLiteral(" can’t be part of a shortcut. Try another key."), [] {});
    }
    const KeyCombo combo{*keyCode, modifiers, label};
    return offer(keyRefusal(combo), [&] { store_.setCombo(combo, *recording_); });
}

std::optional<QString> ShortcutRecorder::keyRefusal(const KeyCombo& combo) const
{
    if (auto refusal = store_.refusal(combo, *recording_))
        return refusal;
    const auto same = [&](std::uint32_t code) { return sameKey ? sameKey(code, combo.keyCode) : code == combo.keyCode; };
    const auto held = [&](const QString& holder) { return combo.displayString() + QStringLiteral(" is already ") + holder + u'.'; };
    for (ShortcutAction action : allShortcutActions) {
        const auto other = action == *recording_ ? std::nullopt : store_.combo(action);
        if (other && other->modifiers == combo.modifiers && same(other->keyCode))
            return held(title(action));
    }
    for (std::size_t i = 0; i < HotKeys::layoutKeyCodes.size(); ++i)
        if (combo.modifiers == HotKeys::layoutKeyModifiers && same(HotKeys::layoutKeyCodes[i]))
            return held(QStringLiteral("Switch Layout %1").arg(i + 1));
    return std::nullopt;
}

bool ShortcutRecorder::keyDownForMouse(std::optional<std::uint32_t> keyCode)
{
    if (keyCode == KeyCodeEscape) {
        endRecording();
    } else if (isClearKey(keyCode)) {
        store_.setMouseTrigger(std::nullopt, *recording_);
        finish();
    }
    return true;
}

bool ShortcutRecorder::mouseDown(int button, std::uint32_t modifiers)
{
    if (!recording_ || !recordingMouse_)
        return false;
    const MouseTrigger trigger{button, modifiers & StoredModifierMask};
    const ShortcutAction action = *recording_;
    const auto refusal = store_.refusal(trigger, action);
    offer(refusal, [&] { store_.setMouseTrigger(trigger, action); });
    // A plain middle button taken everywhere ends pasting with it: the user is told so.
    if (!refusal && trigger == MouseTrigger{2, 0} && clickReach(action) == ClickReach::anywhere) {
        hint_ = middleButtonNote(action);
        update();
    }
    return true;
}

QString ShortcutRecorder::middleButtonNote(ShortcutAction action)
{
    return QStringLiteral("The middle button pastes in most apps; now “%1” takes every such click instead. "
                          "Record Ctrl+Middle to keep pasting.")
        .arg(title(action));
}

bool ShortcutRecorder::offer(const std::optional<QString>& refusal, const std::function<void()>& store)
{
    if (refusal) {
        hint_ = *refusal;   // the recording goes on
        update();
    } else {
        store();
        finish();
    }
    return true;
}

void ShortcutRecorder::finish()
{
    endRecording();
    if (onChange)
        onChange();
}

void ShortcutRecorder::endRecording()
{
    const bool wasRecording = recording_.has_value();
    recording_.reset();
    recordingMouse_ = false;
    hint_.clear();
    if (std::exchange(holding_, false) && releaseKeyboard)
        releaseKeyboard();
    if (wasRecording && onRecording)
        onRecording(false);
    update();
}

void ShortcutRecorder::restoreDefaults()
{
    endRecording();
    store_.restoreDefaults();
    if (onChange)
        onChange();
    update();
}

ShortcutRecorder::Row ShortcutRecorder::row(ShortcutAction action) const
{
    Row r;
    const bool here = recording_ == action;
    if (here && !recordingMouse_) {
        r.keyTitle = recordingKeyTitle();
    } else {
        const auto combo = store_.combo(action);
        r.keyTitle = combo ? combo->displayString() : QStringLiteral("None");
    }
    const auto triggers = store_.mouseTriggers();
    const auto trigger = triggers.find(action);
    if (here && recordingMouse_)
        r.mouseTitle = QStringLiteral("Click a button…");
    else
        r.mouseTitle = trigger != triggers.end() ? trigger->second.description() : QStringLiteral("None");
    if (failures && failures().count(action))
        r.note = takenNote();
    else if (trigger != triggers.end() && mouseUnavailable && mouseUnavailable())
        r.note = mouseUnavailableNote();
    return r;
}

void ShortcutRecorder::update()
{
    if (onUpdate)
        onUpdate();
}

} // namespace fw
