// The transition setting: exact parsing, the fallback to the shuffle, what a store writes, and
// the effect numbers the shaders receive.
#include "transitions/StackTransition.h"

#include <gtest/gtest.h>

namespace fw {
namespace {

TEST(StackTransitionSetting, ParsesOnlyTheFiveExactTextsAndReadsAnythingElseAsShuffle)
{
    for (StackTransition t : allStackTransitions)
        EXPECT_EQ(stackTransitionFromRawValue(rawValue(t)), t);
    for (const char* text : {"Genie", "genie ", "", "MELT", "fade", "shuffle\n"})
        EXPECT_FALSE(stackTransitionFromRawValue(QString::fromLatin1(text))) << text;

    MemoryDefaults defaults;
    EXPECT_EQ(readStackTransition(defaults), StackTransition::shuffle);   // absent
    defaults.setValue(kStackTransitionKey, QStringLiteral("Genie"));
    EXPECT_EQ(readStackTransition(defaults), StackTransition::shuffle);   // wrong case
    defaults.setValue(kStackTransitionKey, 3);
    EXPECT_EQ(readStackTransition(defaults), StackTransition::shuffle);   // not text
    defaults.setValue(kStackTransitionKey, QStringLiteral("tornado"));
    EXPECT_EQ(readStackTransition(defaults), StackTransition::tornado);
}

TEST(StackTransitionSetting, StoreWritesTheTextUnderOneKeyAndNothingElse)
{
    MemoryDefaults defaults;
    store(StackTransition::melt, defaults);
    ASSERT_EQ(defaults.writeLog().size(), 1u);
    EXPECT_EQ(defaults.writeLog()[0].key, QStringLiteral("stackTransition"));
    EXPECT_EQ(defaults.writeLog()[0].value, QJsonValue(QStringLiteral("melt")));
    EXPECT_EQ(readStackTransition(defaults), StackTransition::melt);
    EXPECT_EQ(effectNumber(readStackTransition(defaults)), 4u);
}

TEST(StackTransitionSetting, TitlesAndEffectNumbersFollowTheDeclarationOrder)
{
    QStringList titles;
    std::vector<std::uint32_t> effects;
    for (StackTransition t : allStackTransitions) {
        titles << title(t);
        effects.push_back(effectNumber(t));
    }
    EXPECT_EQ(titles, QStringList({"Shuffle", "Genie", "Tornado", "Melt", "Disintegrate"}));
    // Melt and disintegrate are not in numeric order: disintegrate is the particle effect, 3.
    EXPECT_EQ(effects, (std::vector<std::uint32_t>{0, 1, 2, 4, 3}));
}

} // namespace
} // namespace fw
