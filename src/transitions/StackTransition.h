#pragma once
// The user's choice of the animation that plays when a window stack brings another window
// forward, kept as text under the user default "stackTransition". Readers that find nothing,
// or text that is none of the five, use the shuffle.

#include "base/UserDefaults.h"

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace fw {

enum class StackTransition { shuffle, genie, tornado, melt, disintegrate };

inline constexpr std::array<StackTransition, 5> allStackTransitions = {
    StackTransition::shuffle, StackTransition::genie, StackTransition::tornado, StackTransition::melt,
    StackTransition::disintegrate};

inline const QString kStackTransitionKey = QStringLiteral("stackTransition");

// Exact, case-sensitive match of the stored text; nothing for any other text.
std::optional<StackTransition> stackTransitionFromRawValue(const QString& text);
QString rawValue(StackTransition t);
// The menu title ("Shuffle", "Genie", …).
QString title(StackTransition t);
// The number the shaders know the effect by: 0 static, 1 genie, 2 tornado, 4 melt, 3 the
// particle effect. The shuffle, handed to the shader playback, draws the window unchanged.
std::uint32_t effectNumber(StackTransition t);

// The stored choice; the shuffle when absent or unknown.
StackTransition readStackTransition(const UserDefaults& defaults);
// Writes the case's text, and nothing else.
void store(StackTransition t, UserDefaults& defaults);

} // namespace fw
