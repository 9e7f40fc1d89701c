#pragma once
// What the shortcuts window decides: which action is being recorded (a key or a mouse button),
// what a key press or click during a recording does, the hint under the rows, and each row's
// button titles and note. The window only turns its events into these calls and shows the
// result. Every end of a recording reports `onRecording(false)`, so the hot keys and mouse
// matching that the recording suspended, and the keyboard a key recording holds, come back
// whichever way it ended. A key combination is refused while another of our keys holds it on
// this keyboard: an action's, or a layout key (Ctrl+Alt+1 … 9), even where the two are stored
// under different codes or labels. One another program holds is stored, and its row then says
// it is in use elsewhere (the hot key fails to register). A plain middle button recorded for an
// action that takes every click leaves a hint that the button no longer pastes.

#include "app/Shortcuts.h"
#include "platform/GlobalHotKeys.h"

#include <QString>

#include <functional>
#include <optional>
#include <set>

namespace fw {

class ShortcutRecorder {
public:
    explicit ShortcutRecorder(UserDefaults& defaults) : store_(defaults) {}

    // Installed by the owner (each may stay empty).
    std::function<void()> onChange;                        // after every stored change
    std::function<void(bool)> onRecording;                 // true at a start, false at an end
    std::function<std::set<ShortcutAction>()> failures;    // hot keys that failed to register
    std::function<bool()> mouseUnavailable;                // the platform refused the tap
    std::function<void()> onUpdate;                        // rows or hint changed: show them
    // Whether two stored key codes stand for one key of the keyboard now; equal codes when empty.
    std::function<bool(std::uint32_t, std::uint32_t)> sameKey;
    // Holds the whole keyboard while a key is recorded, so that combinations other programs
    // grabbed arrive too, and lets it go when that recording ends, whichever way. Where it is
    // not held (another program holds it now, and the platform takes it once that program lets
    // go; or it cannot be held at all) the hint says so. A window not shown yet says nothing:
    // the platform holds it for the window as it shows.
    std::function<KeyboardHold()> holdKeyboard;
    std::function<void()> releaseKeyboard;

    const ShortcutStore& store() const { return store_; }
    std::optional<ShortcutAction> recording() const { return recording_; }
    QString hint() const { return hint_; }

    // Starts recording the keyboard or mouse shortcut of the action numbered `tag`; a tag
    // that names no action does nothing. Any recording in progress ends first.
    void recordKey(std::uint32_t tag);
    void recordMouse(std::uint32_t tag);

    // A key press while recording; true when it is consumed. `keyCode` is none for a key no
    // stored code names (the hint says so); `label` is the key's label (KeyCombo::keyLabel),
    // or for such a key what it types.
    bool keyDown(std::optional<std::uint32_t> keyCode, std::uint32_t modifiers, const QString& label);
    // A middle or side button press while recording a mouse shortcut; true when consumed.
    bool mouseDown(int button, std::uint32_t modifiers);

    // Ends any recording: the hint clears and onRecording(false) follows when one was going.
    void endRecording();
    // Ends any recording, then drops both stored tables.
    void restoreDefaults();

    struct Row {
        QString keyTitle;     // "Ctrl+Alt+P", "None", "Type shortcut…"
        QString mouseTitle;   // "Middle button", "None", "Click a button…"
        QString note;         // "In use elsewhere", "Mouse unavailable" or empty
    };
    Row row(ShortcutAction action) const;
    // The texts a row shows besides the bindings: the key button's while it records and the
    // two notes (a window makes room for them).
    static QString recordingKeyTitle() { return QStringLiteral("Type shortcut…"); }
    static QString takenNote() { return QStringLiteral("In use elsewhere"); }
    static QString mouseUnavailableNote() { return QStringLiteral("Mouse unavailable"); }
    // The hint after a plain middle button was recorded for an action that takes every click
    // (clickReach): pasting with it ends.
    static QString middleButtonNote(ShortcutAction action);

private:
    bool begin(std::uint32_t tag, bool mouse);
    bool keyDownForKey(std::optional<std::uint32_t> keyCode, std::uint32_t modifiers, const QString& label);
    bool keyDownForMouse(std::optional<std::uint32_t> keyCode);
    // Why the combination cannot be bound to the action being recorded, or nothing.
    std::optional<QString> keyRefusal(const KeyCombo& combo) const;
    // Shows why a binding is refused, or stores it and ends the recording; consumes the input.
    bool offer(const std::optional<QString>& refusal, const std::function<void()>& store);
    void finish();   // ends the recording after a stored change and reports it
    void update();

    ShortcutStore store_;
    std::optional<ShortcutAction> recording_;
    bool recordingMouse_ = false;
    bool holding_ = false;   // the keyboard is held, or asked for, for this recording
    QString hint_;
};

} // namespace fw
