// The fixed key table: stored key code, X keysym, Qt key, the characters or name shown and the
// key's place on the keyboard.
#include "platform/InputCodes.h"

#include <utility>

namespace fw {

namespace {

struct KeyEntry {
    std::uint32_t keyCode;
    std::uint32_t keysym;
    int qtKey;
    bool keypad;
    const char* characters;   // typed unshifted, or the key's name
    const char* position;     // the key's place on the keyboard, as XKB names it
};

// clang-format off
constexpr KeyEntry keys[] = {
    {0, 0x61, Qt::Key_A, false, "a", "AC01"}, {1, 0x73, Qt::Key_S, false, "s", "AC02"},
    {2, 0x64, Qt::Key_D, false, "d", "AC03"}, {3, 0x66, Qt::Key_F, false, "f", "AC04"},
    {4, 0x68, Qt::Key_H, false, "h", "AC06"}, {5, 0x67, Qt::Key_G, false, "g", "AC05"},
    {6, 0x7a, Qt::Key_Z, false, "z", "AB01"}, {7, 0x78, Qt::Key_X, false, "x", "AB02"},
    {8, 0x63, Qt::Key_C, false, "c", "AB03"}, {9, 0x76, Qt::Key_V, false, "v", "AB04"},
    {11, 0x62, Qt::Key_B, false, "b", "AB05"}, {12, 0x71, Qt::Key_Q, false, "q", "AD01"},
    {13, 0x77, Qt::Key_W, false, "w", "AD02"}, {14, 0x65, Qt::Key_E, false, "e", "AD03"},
    {15, 0x72, Qt::Key_R, false, "r", "AD04"}, {16, 0x79, Qt::Key_Y, false, "y", "AD06"},
    {17, 0x74, Qt::Key_T, false, "t", "AD05"}, {18, 0x31, Qt::Key_1, false, "1", "AE01"},
    {19, 0x32, Qt::Key_2, false, "2", "AE02"}, {20, 0x33, Qt::Key_3, false, "3", "AE03"},
    {21, 0x34, Qt::Key_4, false, "4", "AE04"}, {22, 0x36, Qt::Key_6, false, "6", "AE06"},
    {23, 0x35, Qt::Key_5, false, "5", "AE05"}, {24, 0x3d, Qt::Key_Equal, false, "=", "AE12"},
    {25, 0x39, Qt::Key_9, false, "9", "AE09"}, {26, 0x37, Qt::Key_7, false, "7", "AE07"},
    {27, 0x2d, Qt::Key_Minus, false, "-", "AE11"}, {28, 0x38, Qt::Key_8, false, "8", "AE08"},
    {29, 0x30, Qt::Key_0, false, "0", "AE10"}, {30, 0x5d, Qt::Key_BracketRight, false, "]", "AD12"},
    {31, 0x6f, Qt::Key_O, false, "o", "AD09"}, {32, 0x75, Qt::Key_U, false, "u", "AD07"},
    {33, 0x5b, Qt::Key_BracketLeft, false, "[", "AD11"}, {34, 0x69, Qt::Key_I, false, "i", "AD08"},
    {35, 0x70, Qt::Key_P, false, "p", "AD10"}, {36, 0xff0d, Qt::Key_Return, false, "Return", "RTRN"},
    {37, 0x6c, Qt::Key_L, false, "l", "AC09"}, {38, 0x6a, Qt::Key_J, false, "j", "AC07"},
    {39, 0x27, Qt::Key_Apostrophe, false, "'", "AC11"}, {40, 0x6b, Qt::Key_K, false, "k", "AC08"},
    {41, 0x3b, Qt::Key_Semicolon, false, ";", "AC10"}, {42, 0x5c, Qt::Key_Backslash, false, "\\", "BKSL"},
    {43, 0x2c, Qt::Key_Comma, false, ",", "AB08"}, {44, 0x2f, Qt::Key_Slash, false, "/", "AB10"},
    {45, 0x6e, Qt::Key_N, false, "n", "AB06"}, {46, 0x6d, Qt::Key_M, false, "m", "AB07"},
    {47, 0x2e, Qt::Key_Period, false, ".", "AB09"}, {48, 0xff09, Qt::Key_Tab, false, "Tab", "TAB"},
    {49, 0x20, Qt::Key_Space, false, " ", "SPCE"}, {50, 0x60, Qt::Key_QuoteLeft, false, "`", "TLDE"},
    {51, 0xff08, Qt::Key_Backspace, false, "Backspace", "BKSP"}, {53, 0xff1b, Qt::Key_Escape, false, "Escape", "ESC"},
    {64, 0xffce, Qt::Key_F17, false, "F17", "FK17"}, {65, 0xffae, Qt::Key_Period, true, ".", "KPDL"},
    {67, 0xffaa, Qt::Key_Asterisk, true, "*", "KPMU"}, {69, 0xffab, Qt::Key_Plus, true, "+", "KPAD"},
    {75, 0xffaf, Qt::Key_Slash, true, "/", "KPDV"}, {76, 0xff8d, Qt::Key_Enter, true, "Enter", "KPEN"},
    {78, 0xffad, Qt::Key_Minus, true, "-", "KPSU"}, {79, 0xffcf, Qt::Key_F18, false, "F18", "FK18"},
    {80, 0xffd0, Qt::Key_F19, false, "F19", "FK19"}, {81, 0xffbd, Qt::Key_Equal, true, "=", "KPEQ"},
    {82, 0xffb0, Qt::Key_0, true, "0", "KP0"}, {83, 0xffb1, Qt::Key_1, true, "1", "KP1"},
    {84, 0xffb2, Qt::Key_2, true, "2", "KP2"}, {85, 0xffb3, Qt::Key_3, true, "3", "KP3"},
    {86, 0xffb4, Qt::Key_4, true, "4", "KP4"}, {87, 0xffb5, Qt::Key_5, true, "5", "KP5"},
    {88, 0xffb6, Qt::Key_6, true, "6", "KP6"}, {89, 0xffb7, Qt::Key_7, true, "7", "KP7"},
    {90, 0xffd1, Qt::Key_F20, false, "F20", "FK20"}, {91, 0xffb8, Qt::Key_8, true, "8", "KP8"},
    {92, 0xffb9, Qt::Key_9, true, "9", "KP9"}, {96, 0xffc2, Qt::Key_F5, false, "F5", "FK05"},
    {97, 0xffc3, Qt::Key_F6, false, "F6", "FK06"}, {98, 0xffc4, Qt::Key_F7, false, "F7", "FK07"},
    {99, 0xffc0, Qt::Key_F3, false, "F3", "FK03"}, {100, 0xffc5, Qt::Key_F8, false, "F8", "FK08"},
    {101, 0xffc6, Qt::Key_F9, false, "F9", "FK09"}, {103, 0xffc8, Qt::Key_F11, false, "F11", "FK11"},
    {105, 0xffca, Qt::Key_F13, false, "F13", "FK13"}, {106, 0xffcd, Qt::Key_F16, false, "F16", "FK16"},
    {107, 0xffcb, Qt::Key_F14, false, "F14", "FK14"}, {109, 0xffc7, Qt::Key_F10, false, "F10", "FK10"},
    {111, 0xffc9, Qt::Key_F12, false, "F12", "FK12"}, {113, 0xffcc, Qt::Key_F15, false, "F15", "FK15"},
    {114, 0xff63, Qt::Key_Insert, false, "Insert", "INS"}, {115, 0xff50, Qt::Key_Home, false, "Home", "HOME"},
    {116, 0xff55, Qt::Key_PageUp, false, "Page Up", "PGUP"}, {117, 0xffff, Qt::Key_Delete, false, "Delete", "DELE"},
    {118, 0xffc1, Qt::Key_F4, false, "F4", "FK04"}, {119, 0xff57, Qt::Key_End, false, "End", "END"},
    {120, 0xffbf, Qt::Key_F2, false, "F2", "FK02"}, {121, 0xff56, Qt::Key_PageDown, false, "Page Down", "PGDN"},
    {122, 0xffbe, Qt::Key_F1, false, "F1", "FK01"}, {123, 0xff51, Qt::Key_Left, false, "Left", "LEFT"},
    {124, 0xff53, Qt::Key_Right, false, "Right", "RGHT"}, {125, 0xff54, Qt::Key_Down, false, "Down", "DOWN"},
    {126, 0xff52, Qt::Key_Up, false, "Up", "UP"},
};

// Shifted symbols of the ANSI layout and the Qt keys they come from.
constexpr std::pair<int, int> shifted[] = {
    {Qt::Key_Exclam, Qt::Key_1}, {Qt::Key_At, Qt::Key_2}, {Qt::Key_NumberSign, Qt::Key_3},
    {Qt::Key_Dollar, Qt::Key_4}, {Qt::Key_Percent, Qt::Key_5}, {Qt::Key_AsciiCircum, Qt::Key_6},
    {Qt::Key_Ampersand, Qt::Key_7}, {Qt::Key_Asterisk, Qt::Key_8}, {Qt::Key_ParenLeft, Qt::Key_9},
    {Qt::Key_ParenRight, Qt::Key_0}, {Qt::Key_Underscore, Qt::Key_Minus}, {Qt::Key_Plus, Qt::Key_Equal},
    {Qt::Key_BraceLeft, Qt::Key_BracketLeft}, {Qt::Key_BraceRight, Qt::Key_BracketRight},
    {Qt::Key_Bar, Qt::Key_Backslash}, {Qt::Key_Colon, Qt::Key_Semicolon}, {Qt::Key_QuoteDbl, Qt::Key_Apostrophe},
    {Qt::Key_Less, Qt::Key_Comma}, {Qt::Key_Greater, Qt::Key_Period}, {Qt::Key_Question, Qt::Key_Slash},
    {Qt::Key_AsciiTilde, Qt::Key_QuoteLeft}, {Qt::Key_Backtab, Qt::Key_Tab},
};
// Stored buttons 0 to 4 and their X buttons: left, right, middle, back, forward.
constexpr std::pair<int, int> namedButtons[] = {{0, 1}, {1, 3}, {2, 2}, {3, 8}, {4, 9}};
// clang-format on

const KeyEntry* entryFor(std::uint32_t keyCode)
{
    for (const KeyEntry& e : keys)
        if (e.keyCode == keyCode)
            return &e;
    return nullptr;
}

const KeyEntry* entryForQtKey(int qtKey, bool keypad)
{
    for (const KeyEntry& e : keys)
        if (e.qtKey == qtKey && e.keypad == keypad)
            return &e;
    return nullptr;
}

} // namespace

std::vector<std::uint32_t> tableKeyCodes()
{
    std::vector<std::uint32_t> codes;
    for (const KeyEntry& e : keys)
        codes.push_back(e.keyCode);
    return codes;
}

std::optional<std::uint32_t> keysymForKeyCode(std::uint32_t keyCode)
{
    if (const KeyEntry* e = entryFor(keyCode))
        return e->keysym;
    return std::nullopt;
}

std::optional<std::uint32_t> keyCodeForQtKey(int qtKey, bool keypad)
{
    if (keypad) {
        if (const KeyEntry* e = entryForQtKey(qtKey, true))
            return e->keyCode;
    }
    if (const KeyEntry* e = entryForQtKey(qtKey, false))
        return e->keyCode;
    for (auto [symbol, base] : shifted)
        if (symbol == qtKey)
            return entryForQtKey(base, false)->keyCode;
    return std::nullopt;
}

const char* keyPosition(std::uint32_t keyCode)
{
    const KeyEntry* e = entryFor(keyCode);
    return e ? e->position : nullptr;
}

QString keyCharacters(std::uint32_t keyCode)
{
    const KeyEntry* e = entryFor(keyCode);
    return e ? QString::fromUtf8(e->characters) : QString();
}

std::uint32_t storedModifiers(Qt::KeyboardModifiers modifiers)
{
    std::uint32_t m = 0;
    if (modifiers & Qt::ControlModifier)
        m |= StoredCtrl;
    if (modifiers & Qt::AltModifier)
        m |= StoredAlt;
    if (modifiers & Qt::ShiftModifier)
        m |= StoredShift;
    if (modifiers & Qt::MetaModifier)
        m |= StoredSuper;
    return m;
}

std::optional<int> storedButton(Qt::MouseButton button)
{
    switch (button) {
    case Qt::MiddleButton:
        return 2;
    case Qt::BackButton:
        return 3;
    case Qt::ForwardButton:
        return 4;
    default:
        break;
    }
    // Qt's ExtraButton3 and up are X buttons 10 and up.
    for (int n = 3; n <= 24; ++n)
        if (button == Qt::MouseButton(Qt::ExtraButton3 << (n - 3)))
            return n + 2;
    return std::nullopt;
}

std::optional<int> xButtonForStoredButton(int button)
{
    for (auto [stored, x] : namedButtons)
        if (stored == button)
            return x;
    if (button >= 5 && button + 5 <= 255)
        return button + 5;
    return std::nullopt;
}

std::optional<int> storedButtonForXButton(int xButton)
{
    for (auto [stored, x] : namedButtons)
        if (x == xButton)
            return stored;
    if (xButton >= 10 && xButton <= 255)
        return xButton - 5;
    return std::nullopt;
}

} // namespace fw
