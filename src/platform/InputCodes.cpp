// The fixed key table: stored key code, X keysym, Qt key, and the characters or name shown.
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
};

// clang-format off
constexpr KeyEntry keys[] = {
    {0, 0x61, Qt::Key_A, false, "a"}, {1, 0x73, Qt::Key_S, false, "s"}, {2, 0x64, Qt::Key_D, false, "d"},
    {3, 0x66, Qt::Key_F, false, "f"}, {4, 0x68, Qt::Key_H, false, "h"}, {5, 0x67, Qt::Key_G, false, "g"},
    {6, 0x7a, Qt::Key_Z, false, "z"}, {7, 0x78, Qt::Key_X, false, "x"}, {8, 0x63, Qt::Key_C, false, "c"},
    {9, 0x76, Qt::Key_V, false, "v"}, {11, 0x62, Qt::Key_B, false, "b"}, {12, 0x71, Qt::Key_Q, false, "q"},
    {13, 0x77, Qt::Key_W, false, "w"}, {14, 0x65, Qt::Key_E, false, "e"}, {15, 0x72, Qt::Key_R, false, "r"},
    {16, 0x79, Qt::Key_Y, false, "y"}, {17, 0x74, Qt::Key_T, false, "t"}, {18, 0x31, Qt::Key_1, false, "1"},
    {19, 0x32, Qt::Key_2, false, "2"}, {20, 0x33, Qt::Key_3, false, "3"}, {21, 0x34, Qt::Key_4, false, "4"},
    {22, 0x36, Qt::Key_6, false, "6"}, {23, 0x35, Qt::Key_5, false, "5"}, {24, 0x3d, Qt::Key_Equal, false, "="},
    {25, 0x39, Qt::Key_9, false, "9"}, {26, 0x37, Qt::Key_7, false, "7"}, {27, 0x2d, Qt::Key_Minus, false, "-"},
    {28, 0x38, Qt::Key_8, false, "8"}, {29, 0x30, Qt::Key_0, false, "0"},
    {30, 0x5d, Qt::Key_BracketRight, false, "]"}, {31, 0x6f, Qt::Key_O, false, "o"},
    {32, 0x75, Qt::Key_U, false, "u"}, {33, 0x5b, Qt::Key_BracketLeft, false, "["},
    {34, 0x69, Qt::Key_I, false, "i"}, {35, 0x70, Qt::Key_P, false, "p"},
    {36, 0xff0d, Qt::Key_Return, false, "Return"}, {37, 0x6c, Qt::Key_L, false, "l"},
    {38, 0x6a, Qt::Key_J, false, "j"}, {39, 0x27, Qt::Key_Apostrophe, false, "'"},
    {40, 0x6b, Qt::Key_K, false, "k"}, {41, 0x3b, Qt::Key_Semicolon, false, ";"},
    {42, 0x5c, Qt::Key_Backslash, false, "\\"}, {43, 0x2c, Qt::Key_Comma, false, ","},
    {44, 0x2f, Qt::Key_Slash, false, "/"}, {45, 0x6e, Qt::Key_N, false, "n"}, {46, 0x6d, Qt::Key_M, false, "m"},
    {47, 0x2e, Qt::Key_Period, false, "."}, {48, 0xff09, Qt::Key_Tab, false, "Tab"},
    {49, 0x20, Qt::Key_Space, false, " "}, {50, 0x60, Qt::Key_QuoteLeft, false, "`"},
    {51, 0xff08, Qt::Key_Backspace, false, "Backspace"}, {53, 0xff1b, Qt::Key_Escape, false, "Escape"},
    {64, 0xffce, Qt::Key_F17, false, "F17"}, {65, 0xffae, Qt::Key_Period, true, "."},
    {67, 0xffaa, Qt::Key_Asterisk, true, "*"}, {69, 0xffab, Qt::Key_Plus, true, "+"},
    {75, 0xffaf, Qt::Key_Slash, true, "/"}, {76, 0xff8d, Qt::Key_Enter, true, "Enter"},
    {78, 0xffad, Qt::Key_Minus, true, "-"}, {79, 0xffcf, Qt::Key_F18, false, "F18"},
    {80, 0xffd0, Qt::Key_F19, false, "F19"}, {81, 0xffbd, Qt::Key_Equal, true, "="},
    {82, 0xffb0, Qt::Key_0, true, "0"}, {83, 0xffb1, Qt::Key_1, true, "1"}, {84, 0xffb2, Qt::Key_2, true, "2"},
    {85, 0xffb3, Qt::Key_3, true, "3"}, {86, 0xffb4, Qt::Key_4, true, "4"}, {87, 0xffb5, Qt::Key_5, true, "5"},
    {88, 0xffb6, Qt::Key_6, true, "6"}, {89, 0xffb7, Qt::Key_7, true, "7"}, {90, 0xffd1, Qt::Key_F20, false, "F20"},
    {91, 0xffb8, Qt::Key_8, true, "8"}, {92, 0xffb9, Qt::Key_9, true, "9"},
    {96, 0xffc2, Qt::Key_F5, false, "F5"}, {97, 0xffc3, Qt::Key_F6, false, "F6"},
    {98, 0xffc4, Qt::Key_F7, false, "F7"}, {99, 0xffc0, Qt::Key_F3, false, "F3"},
    {100, 0xffc5, Qt::Key_F8, false, "F8"}, {101, 0xffc6, Qt::Key_F9, false, "F9"},
    {103, 0xffc8, Qt::Key_F11, false, "F11"}, {105, 0xffca, Qt::Key_F13, false, "F13"},
    {106, 0xffcd, Qt::Key_F16, false, "F16"}, {107, 0xffcb, Qt::Key_F14, false, "F14"},
    {109, 0xffc7, Qt::Key_F10, false, "F10"}, {111, 0xffc9, Qt::Key_F12, false, "F12"},
    {113, 0xffcc, Qt::Key_F15, false, "F15"}, {114, 0xff63, Qt::Key_Insert, false, "Insert"},
    {115, 0xff50, Qt::Key_Home, false, "Home"}, {116, 0xff55, Qt::Key_PageUp, false, "Page Up"},
    {117, 0xffff, Qt::Key_Delete, false, "Delete"}, {118, 0xffc1, Qt::Key_F4, false, "F4"},
    {119, 0xff57, Qt::Key_End, false, "End"}, {120, 0xffbf, Qt::Key_F2, false, "F2"},
    {121, 0xff56, Qt::Key_PageDown, false, "Page Down"}, {122, 0xffbe, Qt::Key_F1, false, "F1"},
    {123, 0xff51, Qt::Key_Left, false, "Left"}, {124, 0xff53, Qt::Key_Right, false, "Right"},
    {125, 0xff54, Qt::Key_Down, false, "Down"}, {126, 0xff52, Qt::Key_Up, false, "Up"},
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

QString keyCharacters(std::uint32_t keyCode)
{
    const KeyEntry* e = entryFor(keyCode);
    return e ? QString::fromUtf8(e->characters) : QString();
}

std::uint32_t carbonModifiers(Qt::KeyboardModifiers modifiers)
{
    std::uint32_t m = 0;
    if (modifiers & Qt::ControlModifier)
        m |= CarbonControl;
    if (modifiers & Qt::AltModifier)
        m |= CarbonOption;
    if (modifiers & Qt::ShiftModifier)
        m |= CarbonShift;
    if (modifiers & Qt::MetaModifier)
        m |= CarbonCommand;
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
