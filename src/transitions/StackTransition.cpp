// The chosen stack transition, read from and written to the "stackTransition" user default; unknown
// or missing text means the shuffle.
#include "transitions/StackTransition.h"

namespace fw {

namespace {
struct Entry {
    const char* raw;
    const char* title;
    std::uint32_t effect;
};
// In declaration order of the cases.
constexpr Entry kEntries[] = {
    {"shuffle", "Shuffle", 0}, {"genie", "Genie", 1}, {"tornado", "Tornado", 2},
    {"melt", "Melt", 4}, {"disintegrate", "Disintegrate", 3},
};
const Entry& entry(StackTransition t) { return kEntries[int(t)]; }
} // namespace

std::optional<StackTransition> stackTransitionFromRawValue(const QString& text)
{
    for (StackTransition t : allStackTransitions)
        if (text == QLatin1String(entry(t).raw))
            return t;
    return std::nullopt;
}

QString rawValue(StackTransition t) { return QString::fromLatin1(entry(t).raw); }
QString title(StackTransition t) { return QString::fromLatin1(entry(t).title); }
std::uint32_t effectNumber(StackTransition t) { return entry(t).effect; }

StackTransition readStackTransition(const UserDefaults& defaults)
{
    return stackTransitionFromRawValue(defaults.stringValue(kStackTransitionKey)).value_or(StackTransition::shuffle);
}

void store(StackTransition t, UserDefaults& defaults) { defaults.setValue(kStackTransitionKey, rawValue(t)); }

} // namespace fw
