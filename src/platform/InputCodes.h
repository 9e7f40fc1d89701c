#pragma once
// The codes in which shortcuts are stored and the platform's own names for the same keys and
// buttons. Stored key codes are the keyboard's virtual key codes of the ANSI layout (P is 35,
// ] is 30) and modifier masks use the stored bits (Super 0x100, Shift 0x200, Alt 0x800,
// Ctrl 0x1000); one fixed table maps each key code to its X keysym, its Qt key and its place
// on the keyboard, so the stored format stays the same whatever keyboard the shortcut is used on.
//
// Mouse buttons are numbered as stored: 0 left, 1 right, 2 middle, 3 back, 4 forward, 5 and up
// further side buttons. X numbers them 1 left, 3 right, 2 middle, 8 back, 9 forward, n + 5 for
// n ≥ 5; X buttons 4–7 are the scroll wheel and name no stored button.

#include <QString>
#include <Qt>

#include <cstdint>
#include <optional>
#include <vector>

namespace fw {

// Stored modifier bits.
enum StoredModifier : std::uint32_t {
    StoredSuper = 0x100,   // Super (Mod4)
    StoredShift = 0x200,
    StoredAlt = 0x800,    // Alt (Mod1)
    StoredCtrl = 0x1000,
};
constexpr std::uint32_t StoredModifierMask = StoredSuper | StoredShift | StoredAlt | StoredCtrl;

// Stored key codes the system names on its own.
enum KeyCode : std::uint32_t {
    KeyCodeReturn = 36,
    KeyCodeTab = 48,
    KeyCodeSpace = 49,
    KeyCodeBackspace = 51,   // the Delete key of the stored layout
    KeyCodeEscape = 53,
    KeyCodeForwardDelete = 117,
    KeyCodeLeft = 123,
    KeyCodeRight = 124,
    KeyCodeDown = 125,
    KeyCodeUp = 126,
};

// Every key code the table names, in the table's order.
std::vector<std::uint32_t> tableKeyCodes();

// The X keysym of a stored key code (unshifted), or nothing for a code the table lacks.
std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode);

// The key's place on an ANSI keyboard as XKB names it ("AD10" for P, "FK05" for F5), or null
// for a code the table lacks.
const char* keyPosition(std::uint32_t keyCode);

// The stored key code of a Qt key as an ANSI keyboard reports it, for key events that carry
// no key of a real keyboard: shifted symbols ("!" for Shift+1) give the code of their key;
// keypad keys count only with `keypad`. A real key is named by the hot keys' keyboard layout.
std::optional<std::uint32_t> keyCodeForQtKey(int qtKey, bool keypad = false);

// What the key types without modifiers ("p", "]", "1"), or its name where it types nothing
// visible ("F5", "Home", "Page Up"); empty for a code the table lacks.
QString keyCharacters(std::uint32_t keyCode);

// Stored modifier bits of Qt's keyboard modifiers (Meta is Super); other flags are ignored.
std::uint32_t storedModifiers(Qt::KeyboardModifiers modifiers);

// Stored button number of a Qt mouse button; nothing for the left and right buttons and
// for buttons without a stored number.
std::optional<int> storedButton(Qt::MouseButton button);

// X button of a stored button number, and back; nothing where there is none (X 4–7 are
// the wheel, X buttons stop at 255).
std::optional<int> xButtonForStoredButton(int button);
std::optional<int> storedButtonForXButton(int xButton);

} // namespace fw
