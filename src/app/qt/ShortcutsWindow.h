#pragma once
// The shortcuts window: one row per action with a button for its keyboard shortcut and one
// for its mouse-button shortcut, a hint line and "Restore Defaults". Clicking a row's button
// records: the next key combination, or the next middle or side click over our windows,
// becomes the binding once it is valid; Delete clears it, Escape cancels (the recording, not
// the window). Return, keypad Enter and Space click the ringed button. The owner installs
// the four closures and shows the window; the window is created once and kept.
//
//   ShortcutsWindowController shortcuts(defaults);
//   shortcuts.failures = [&] { return hotKeys.failures(); };
//   shortcuts.mouseUnavailable = [&] { return mouse.unavailable(); };
//   shortcuts.onRecording = [&](bool on) { hotKeys.setSuspended(on); mouse.setSuspended(on); };
//   shortcuts.onChange = [&] { hotKeys.reregister(); mouse.configure(defaults); shortcuts.refresh(); };
//   shortcuts.keyCodeForKey = [&](std::uint32_t key) { return platformHotKeys.keyCodeForKey(key); };
//   shortcuts.sameKey = [&](std::uint32_t a, std::uint32_t b) { return platformHotKeys.sameKey(a, b); };
//   shortcuts.holdKeyboard = [&](std::uint64_t w) { return platformHotKeys.holdKeyboard(w); };
//   shortcuts.releaseKeyboard = [&] { platformHotKeys.releaseKeyboard(); };
//   shortcuts.show();
//
// A pressed key is the keyboard's key the event names (its native key code): it is stored as
// the code the hot keys pair with that key and labelled with what it types on the current
// layout. Key events that name no key of a keyboard are read as an ANSI keyboard types them.
//
// A recording ends whichever way the window goes away (its close button, Escape, hiding it)
// and when it loses the focus, so the hot keys and mouse matching it suspended, and the
// keyboard it holds, always come back.

#include "app/ShortcutRecorder.h"

#include <QObject>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>

class QGridLayout;
class QKeyEvent;
class QLabel;
class QPushButton;
class QWidget;

namespace fw {

class OverlayLabel;

class ShortcutsWindowController : public QObject {
    Q_OBJECT
public:
    explicit ShortcutsWindowController(UserDefaults& defaults, QObject* parent = nullptr);
    ~ShortcutsWindowController() override;

    std::function<void()> onChange;                        // after every stored change
    std::function<void(bool)> onRecording;                 // a recording started / ended
    std::function<std::set<ShortcutAction>()> failures;    // empty until replaced
    // The layout keys another program holds, by position (0 is Ctrl+Alt+1); none until replaced.
    std::function<std::set<std::size_t>()> layoutKeyFailures;
    std::function<bool()> mouseUnavailable;                // false until replaced
    // The stored code of a keyboard key by its native code (GlobalHotKeys::keyCodeForKey), and
    // whether two codes stand for one key now (GlobalHotKeys::sameKey); until replaced, keys
    // are read as an ANSI keyboard types them.
    std::function<std::optional<std::uint32_t>(std::uint32_t nativeKey)> keyCodeForKey;
    std::function<bool(std::uint32_t, std::uint32_t)> sameKey;
    // Holding the whole keyboard for this window (its native id) while a key is recorded, and
    // letting it go (GlobalHotKeys::holdKeyboard, releaseKeyboard); until set, keys are
    // recorded as they reach the window, and nothing is said about the keyboard.
    std::function<KeyboardHold(std::uint64_t window)> holdKeyboard;
    std::function<void()> releaseKeyboard;

    // Sets every button title and note from the stored tables.
    void refresh();
    // Refreshes, shows the window and brings it forward.
    void show();
    // Ends any recording and closes the window (it is kept for the next show).
    void close();

    QWidget* window() const;
    const ShortcutRecorder& recorder() const { return recorder_; }
    QPushButton* keyButton(ShortcutAction action) const { return rows_.at(action).key; }
    QPushButton* mouseButton(ShortcutAction action) const { return rows_.at(action).mouse; }
    QString note(ShortcutAction action) const;
    QString hint() const;
    QPushButton* restoreButton() const { return restore_; }

protected:
    // The monitors of a recording: key presses, and middle or side clicks, anywhere in the
    // application while one is going.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // "Ctrl+Alt+1, Ctrl+Alt+2: In use elsewhere" for the layout keys another program holds.
    QString layoutKeysNote() const;
    void build();
    // A button of the window running `action` when clicked.
    QPushButton* button(const QString& title, std::function<void()> action);
    // The header and one row per action: title, key and mouse buttons, note.
    QGridLayout* buildRows(QWidget* window);
    void watchInput(bool on);
    // A key press as the recorder takes it.
    bool keyDown(const QKeyEvent& event);

    struct Row {
        QPushButton* key = nullptr;
        QPushButton* mouse = nullptr;
        QLabel* note = nullptr;
    };
    ShortcutRecorder recorder_;
    std::unique_ptr<QWidget> window_;
    std::map<ShortcutAction, Row> rows_;
    OverlayLabel* hint_ = nullptr;
    QPushButton* restore_ = nullptr;
    bool watching_ = false;
};

} // namespace fw
