// One-time tips: the record "tipsShown.v1" (sorted, without repeats, foreign values kept,
// malformed values replaced), once-only across a restart, and the shell's presenter.
#include "onboarding/Tips.h"

#include <QJsonArray>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace fw {
namespace {

QStringList record(const UserDefaults& d)
{
    QStringList out;
    for (const QJsonValue& v : d.value(tipsShownKey).value_or(QJsonValue()).toArray())
        out << v.toString();
    return out;
}

TEST(Tips, RawValuesAndTextsUseLinuxKeyNames)
{
    QStringList raws;
    for (Tip t : allTips) {
        raws << rawValue(t);
        EXPECT_EQ(tipFromRawValue(rawValue(t)), t);
    }
    EXPECT_EQ(raws.join(' '), "badge dropMenu switcher span ownLayouts");
    EXPECT_FALSE(tipFromRawValue("Badge"));
    EXPECT_FALSE(tipFromRawValue(""));
    EXPECT_TRUE(tipText(Tip::switcher).contains("From the keyboard, Ctrl+Alt+S opens it and 1–9 pick a card."));
    EXPECT_TRUE(tipText(Tip::ownLayouts).contains("Choose a Layout → Create Custom Layout… lets you pick"));
    for (Tip t : allTips)
        EXPECT_FALSE(tipText(t).contains(QChar(0x2303)) || tipText(t).contains(QChar(0x2325))) << rawValue(t).toStdString();
}

TEST(Tips, EachTipOnceAcrossARestartRecordSortedWithoutRepeats)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("defaults.json");
    {
        FileDefaults defaults(path);
        for (Tip t : {Tip::switcher, Tip::ownLayouts, Tip::dropMenu})
            EXPECT_EQ(textIfUnseen(t, defaults), tipText(t));
        EXPECT_FALSE(textIfUnseen(Tip::switcher, defaults));
    }
    FileDefaults reopened(path);
    EXPECT_FALSE(textIfUnseen(Tip::ownLayouts, reopened));
    EXPECT_EQ(textIfUnseen(Tip::badge, reopened), tipText(Tip::badge));
    EXPECT_EQ(textIfUnseen(Tip::span, reopened), tipText(Tip::span));
    EXPECT_EQ(record(reopened), QStringList({"badge", "dropMenu", "ownLayouts", "span", "switcher"}));
}

TEST(Tips, ForeignValuesSurviveAndMalformedRecordsAreReplaced)
{
    MemoryDefaults d;
    d.setValue(tipsShownKey, QJsonArray{"span", "zzOld", "Älter"});
    EXPECT_TRUE(textIfUnseen(Tip::badge, d));
    // Byte order: "Ä" (0xC3…) sorts after every ASCII letter.
    EXPECT_EQ(record(d), QStringList({"badge", "span", "zzOld", "Älter"}));

    d.setValue(tipsShownKey, QJsonValue(QStringLiteral("switcher")));
    EXPECT_EQ(textIfUnseen(Tip::switcher, d), tipText(Tip::switcher));
    EXPECT_EQ(record(d), QStringList({"switcher"}));

    d.setValue(tipsShownKey, QJsonArray{"switcher", 3});
    EXPECT_TRUE(textIfUnseen(Tip::switcher, d)) << "an array with a non-text value reads as empty";
    EXPECT_EQ(record(d), QStringList({"switcher"}));

    d.clearWriteLog();
    EXPECT_FALSE(textIfUnseen(Tip::switcher, d));
    EXPECT_TRUE(d.writeLog().empty()) << "a tip already shown writes nothing";
}

TEST(Tips, PresenterShowsOnceAndNothingWhilePaused)
{
    MemoryDefaults d;
    TipPresenter tips(d);
    bool paused = true;
    std::vector<std::pair<QString, double>> shown;
    tips.paused = [&] { return paused; };
    tips.showNotice = [&](const QString& text, double seconds) { shown.emplace_back(text, seconds); };

    tips.showTip(Tip::span);
    EXPECT_TRUE(shown.empty());
    EXPECT_FALSE(d.value(tipsShownKey)) << "a paused tip stays unseen";

    paused = false;
    tips.showTip(Tip::span);
    tips.showTip(Tip::span);
    ASSERT_EQ(shown.size(), 1u);
    EXPECT_EQ(shown[0].first, QStringLiteral("Tip · ") + tipText(Tip::span));
    EXPECT_EQ(shown[0].second, 7.0);

    tips.showNotice = nullptr;
    tips.showTip(Tip::badge);
    EXPECT_EQ(record(d), QStringList({"span"})) << "with nowhere to show it, the tip is not spent";

    // The badge's tip names where badges stand now: in the title bar, it says so first.
    tips.showNotice = [&](const QString& text, double seconds) { shown.emplace_back(text, seconds); };
    tips.badgesOnEdge = [] { return false; };
    tips.showTip(Tip::badge);
    ASSERT_EQ(shown.size(), 2u);
    EXPECT_TRUE(shown[1].first.contains(u"in the badge in its title bar;"_qs)) << shown[1].first.toStdString();
    EXPECT_FALSE(shown[1].first.contains(u"left edge"_qs)) << shown[1].first.toStdString();
    EXPECT_TRUE(tipText(Tip::badge).contains(u"in the badge on its left edge"_qs));
}

} // namespace
} // namespace fw
