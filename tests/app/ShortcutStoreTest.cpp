// The shortcut model and its two stored tables: defaults, round trips in the stored format,
// malformed tables, conflicts and labels.
#include "app/Shortcuts.h"
#include "base/Log.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace fw {
namespace {

constexpr std::uint32_t CtrlAlt = StoredCtrl | StoredAlt;

QJsonObject parse(const char* json)
{
    return QJsonDocument::fromJson(json).object();
}

QJsonObject stored(const MemoryDefaults& d, const QString& key)
{
    const auto v = d.value(key);
    return v ? v->toObject() : QJsonObject{};
}

TEST(ShortcutModel, ActionsNumbersTitlesAndDefaults)
{
    std::vector<std::uint32_t> numbers;
    for (ShortcutAction a : allShortcutActions)
        numbers.push_back(rawValue(a));
    EXPECT_EQ(numbers, (std::vector<std::uint32_t>{6, 1, 2, 5, 7, 8, 9, 3}));
    for (std::uint32_t n = 0; n < 12; ++n)
        EXPECT_EQ(shortcutAction(n).has_value(), n >= 1 && n <= 9 && n != 4) << n;
    EXPECT_EQ(shortcutAction(9), ShortcutAction::sendToBack);
    EXPECT_EQ(title(ShortcutAction::sendToBack), "Move Spanning Window Behind");

    MemoryDefaults defaults;
    ShortcutStore store(defaults);
    QStringList shown;
    for (ShortcutAction a : allShortcutActions) {
        const auto combo = store.combo(a);
        ASSERT_TRUE(combo);
        EXPECT_EQ(combo->modifiers, 0x1800u);
        shown << combo->displayString();
    }
    EXPECT_EQ(shown.join(' '), "Ctrl+Alt+P Ctrl+Alt+Z Ctrl+Alt+A Ctrl+Alt+S Ctrl+Alt+] Ctrl+Alt+[ Ctrl+Alt+B Ctrl+Alt+R");
    EXPECT_EQ(store.combo(ShortcutAction::place)->keyCode, 35u);
    EXPECT_EQ(store.combo(ShortcutAction::previous)->keyCode, 33u);
    EXPECT_TRUE(store.mouseTriggers().empty());
    EXPECT_TRUE(defaults.writeLog().empty()) << "reading never writes";
}

TEST(ShortcutStore, KeyTableRoundTripKeepsUnknownKeysAndTurnedOffEntries)
{
    MemoryDefaults defaults;
    defaults.setValue(ShortcutStore::keysKey,
                      parse(R"({"5":{},"42":{"combo":{"keyCode":1,"modifiers":256,"key":"S","extra":true}}})"));
    ShortcutStore store(defaults);

    EXPECT_FALSE(store.combo(ShortcutAction::stack)) << "{} turns the shortcut off";
    EXPECT_EQ(store.combo(ShortcutAction::place), KeyCombo::defaultFor(ShortcutAction::place));
    EXPECT_FALSE(store.action(KeyCombo{1, CtrlAlt, "S"}, ShortcutAction::place)) << "a turned-off action never matches";

    store.setCombo(std::nullopt, ShortcutAction::next);
    store.setCombo(KeyCombo{35, CtrlAlt, "P"}, ShortcutAction::place);
    // The unknown key survives as stored; "combo" is left out of an off entry.
    EXPECT_EQ(stored(defaults, ShortcutStore::keysKey),
              parse(R"({"5":{},"7":{},"6":{"combo":{"keyCode":35,"modifiers":6144,"key":"P"}},
                       "42":{"combo":{"keyCode":1,"modifiers":256,"key":"S","extra":true}}})"));
    EXPECT_FALSE(store.combo(ShortcutAction::next));
    EXPECT_EQ(store.entries().size(), 4u);

    // "combo": null reads as turned off as well.
    defaults.setValue(ShortcutStore::keysKey, parse(R"({"8":{"combo":null}})"));
    EXPECT_FALSE(store.combo(ShortcutAction::previous));
}

// An entry this version cannot read (a newer one's form) is left out of use and kept as stored;
// a damaged one (no object) is left out and dropped at the next write. The others are used.
TEST(ShortcutStore, AnEntryThisVersionCannotReadLeavesTheOthersInUse)
{
    const char* malformed[] = {
        R"({"6":{"combo":{"keyCode":35,"modifiers":6144}},"5":{}})",              // no "key"
        R"({"5":{},"6":{"combo":{"keyCode":-1,"modifiers":6144,"key":"P"}}})",    // negative
        R"({"5":{},"6":{"combo":{"keyCode":4294967296,"modifiers":0,"key":"P"}}})",  // too large
        R"({"5":{},"6":{"combo":{"keyCode":3.5,"modifiers":0,"key":"P"}}})",       // a fraction
        R"({"5":{},"6":{"combo":{"keyCode":"35","modifiers":0,"key":"P"}}})",      // wrong type
        R"({"5":{},"6":{"combo":[]}})",
        R"({"5":{},"6":7})",
    };
    for (const char* json : malformed) {
        MemoryDefaults defaults;
        defaults.setValue(ShortcutStore::keysKey, parse(json));
        ShortcutStore store(defaults);
        EXPECT_EQ(store.entries().size(), 1u) << json;
        EXPECT_FALSE(store.combo(ShortcutAction::stack)) << json;
        EXPECT_EQ(store.combo(ShortcutAction::place), KeyCombo::defaultFor(ShortcutAction::place)) << json;
        // Writing adds the entry written; the unreadable one stays as stored, a damaged one goes.
        QJsonObject expected = parse(json);
        if (!expected.value("6").isObject())
            expected.remove("6");
        expected.insert("2", QJsonObject{});
        store.setCombo(std::nullopt, ShortcutAction::adjust);
        EXPECT_EQ(stored(defaults, ShortcutStore::keysKey), expected) << json;
    }
    MemoryDefaults text;
    text.setValue(ShortcutStore::keysKey, QStringLiteral("{\"5\":{}}"));
    EXPECT_TRUE(ShortcutStore(text).entries().empty()) << "a value that is no object reads as empty";
}

TEST(ShortcutStore, MouseTableRoundTripKeepsKeysThatNameNoAction)
{
    MemoryDefaults defaults;
    ShortcutStore store(defaults);
    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    EXPECT_EQ(stored(defaults, ShortcutStore::mouseKey), parse(R"({"5":{"button":2,"modifiers":0}})"));
    store.setMouseTrigger(std::nullopt, ShortcutAction::stack);
    EXPECT_EQ(stored(defaults, ShortcutStore::mouseKey), QJsonObject{});

    defaults.setValue(ShortcutStore::mouseKey, parse(R"({"4":{"button":3,"modifiers":0},"12":{"button":3,"modifiers":0},
                                                        "x":{"button":3,"modifiers":0}})"));
    EXPECT_TRUE(store.mouseTriggers().empty());
    store.setMouseTrigger(MouseTrigger{4, StoredSuper}, ShortcutAction::next);
    EXPECT_EQ(stored(defaults, ShortcutStore::mouseKey), parse(R"({"4":{"button":3,"modifiers":0},"12":{"button":3,"modifiers":0},
                                                                  "x":{"button":3,"modifiers":0},"7":{"button":4,"modifiers":256}})"));

    // Two keys for one action: the plain number wins over "05"; a write for an action drops
    // every key naming it.
    defaults.setValue(ShortcutStore::mouseKey, parse(R"({"05":{"button":9,"modifiers":0},"5":{"button":2,"modifiers":0},
                                                        "007":{"button":3,"modifiers":0}})"));
    const auto triggers = store.mouseTriggers();
    EXPECT_EQ(triggers.at(ShortcutAction::stack), (MouseTrigger{2, 0}));
    EXPECT_EQ(triggers.at(ShortcutAction::next), (MouseTrigger{3, 0}));
    store.setMouseTrigger(std::nullopt, ShortcutAction::next);
    EXPECT_EQ(stored(defaults, ShortcutStore::mouseKey), parse(R"({"05":{"button":9,"modifiers":0},"5":{"button":2,"modifiers":0}})"));

    // A trigger this version cannot read is left out; the others are used.
    defaults.setValue(ShortcutStore::mouseKey, parse(R"({"5":{"button":2,"modifiers":0},"x":{"button":2}})"));
    EXPECT_EQ(store.mouseTriggers().size(), 1u);
    defaults.setValue(ShortcutStore::mouseKey, parse(R"({"5":{"button":2,"modifiers":-4}})"));
    EXPECT_TRUE(store.mouseTriggers().empty());

    store.setMouseTrigger(MouseTrigger{2, 0}, ShortcutAction::stack);
    store.setCombo(std::nullopt, ShortcutAction::stack);
    store.restoreDefaults();
    EXPECT_FALSE(defaults.value(ShortcutStore::keysKey));
    EXPECT_FALSE(defaults.value(ShortcutStore::mouseKey));
}

// Tables a newer version wrote, one entry damaged: the newer entries survive every write
// (a recording, a removal, Restore Defaults) untouched and unused, said in one log line per
// table; the damaged entry is dropped at the start and told once, naming its action.
TEST(ShortcutStore, NewerEntriesSurviveEveryWriteAndADamagedOneIsToldOnce)
{
    MemoryDefaults defaults;
    const QJsonObject newerKey = parse(R"({"combo":{"keys":[{"keyCode":35}],"modifiers":6144}})");
    const QJsonObject newerAction = parse(R"({"combo":{"keyCode":40,"modifiers":6144,"key":"D"}})");
    defaults.setValue(ShortcutStore::keysKey, QJsonObject{{"6", newerKey}, {"12", newerAction}, {"5", "garbage"},
                                                          {"1", parse(R"({"combo":{"keyCode":52,"modifiers":6144,"key":"Y"}})")}});
    defaults.setValue(ShortcutStore::mouseKey, parse(R"({"7":{"button":3,"modifiers":0},"13":{"gesture":"swipe"},"8":[2]})"));
    ShortcutStore store(defaults);
    EXPECT_EQ(store.combo(ShortcutAction::place), KeyCombo::defaultFor(ShortcutAction::place)) << "unread: the default";
    EXPECT_EQ(store.combo(ShortcutAction::layouts), (KeyCombo{52, CtrlAlt, "Y"}));
    EXPECT_EQ(store.mouseTriggers().size(), 1u);

    log::Capture capture;
    const auto notice = store.dropDamagedEntries();
    ASSERT_TRUE(notice);
    EXPECT_EQ(*notice, "Some saved shortcuts couldn’t be read and are back to their defaults: "
                       "Show Window Stack, Previous Window in Stack.");
    const QStringList lines = capture.messages(LogCategory::App);
    EXPECT_EQ(lines.filter("cannot read").size(), 2) << "one line a table\n" << lines.join('\n').toStdString();
    EXPECT_FALSE(store.dropDamagedEntries()) << "told once";

    const QJsonObject keys = stored(defaults, ShortcutStore::keysKey);
    EXPECT_EQ(keys.value("6"), newerKey);
    EXPECT_FALSE(keys.contains("5"));
    store.setCombo(KeyCombo{38, CtrlAlt, "A"}, ShortcutAction::adjust);
    store.setCombo(std::nullopt, ShortcutAction::layouts);
    store.setMouseTrigger(std::nullopt, ShortcutAction::next);
    EXPECT_EQ(stored(defaults, ShortcutStore::keysKey).value("6"), newerKey);
    EXPECT_EQ(stored(defaults, ShortcutStore::keysKey).value("12"), newerAction);
    EXPECT_EQ(stored(defaults, ShortcutStore::mouseKey), parse(R"({"13":{"gesture":"swipe"}})"));

    store.restoreDefaults();
    EXPECT_EQ(stored(defaults, ShortcutStore::keysKey), (QJsonObject{{"12", newerAction}}))
        << "an action this version does not know keeps its entry";
    EXPECT_EQ(stored(defaults, ShortcutStore::mouseKey), parse(R"({"13":{"gesture":"swipe"}})"));

    // A table that is no object at all is dropped and told.
    defaults.setValue(ShortcutStore::keysKey, QStringLiteral("{\"5\":{}}"));
    EXPECT_TRUE(store.dropDamagedEntries());
    EXPECT_FALSE(defaults.value(ShortcutStore::keysKey));
}

TEST(ShortcutStore, ConflictsAndRefusals)
{
    MemoryDefaults defaults;
    ShortcutStore store(defaults);
    const KeyCombo ctrlAltZ{6, CtrlAlt, "Z"};
    EXPECT_EQ(store.action(ctrlAltZ, ShortcutAction::place), ShortcutAction::layouts) << "defaults count";
    EXPECT_FALSE(store.action(ctrlAltZ, ShortcutAction::layouts)) << "the edited action is never a conflict";
    EXPECT_EQ(store.refusal(ctrlAltZ, ShortcutAction::place), "Ctrl+Alt+Z is already Open Layout Gallery.");
    EXPECT_FALSE(store.refusal(ctrlAltZ, ShortcutAction::layouts));
    // The same key and modifiers recorded on another layout carry another label: no conflict.
    EXPECT_FALSE(store.action(KeyCombo{6, CtrlAlt, "Y"}, ShortcutAction::place));

    store.setCombo(std::nullopt, ShortcutAction::layouts);
    EXPECT_FALSE(store.action(ctrlAltZ, ShortcutAction::place));
    store.setCombo(KeyCombo{7, CtrlAlt, "X"}, ShortcutAction::layouts);
    EXPECT_FALSE(store.action(ctrlAltZ, ShortcutAction::place));
    // Two holders: the first in case order is named.
    store.setCombo(KeyCombo{7, CtrlAlt, "X"}, ShortcutAction::restore);
    EXPECT_EQ(store.action(KeyCombo{7, CtrlAlt, "X"}, ShortcutAction::place), ShortcutAction::layouts);

    EXPECT_EQ(store.refusal(KeyCombo{35, StoredShift, "P"}, ShortcutAction::place), "Include Ctrl, Alt or Super.");
    EXPECT_EQ(store.refusal(KeyCombo{35, 0, "P"}, ShortcutAction::place), "Include Ctrl, Alt or Super.");
    EXPECT_FALSE(store.refusal(KeyCombo{35, StoredSuper, "P"}, ShortcutAction::place));

    const MouseTrigger middle{2, CtrlAlt};
    EXPECT_FALSE(store.refusal(MouseTrigger{3, 0}, ShortcutAction::place)) << "no modifier needed";
    store.setMouseTrigger(middle, ShortcutAction::stack);
    EXPECT_EQ(store.action(middle, ShortcutAction::place), ShortcutAction::stack);
    EXPECT_FALSE(store.action(middle, ShortcutAction::stack));
    EXPECT_FALSE(store.action(MouseTrigger{2, 0}, ShortcutAction::place));
    EXPECT_EQ(store.refusal(middle, ShortcutAction::next), "Ctrl+Alt+Middle button is already Show Window Stack.");
}

TEST(ShortcutModel, LabelsTheLinuxWay)
{
    EXPECT_EQ((KeyCombo{20, StoredSuper | StoredShift | StoredAlt | StoredCtrl, "3"}).displayString(),
              "Ctrl+Alt+Shift+Super+3");
    EXPECT_EQ((KeyCombo{20, StoredSuper | StoredShift, "3"}).displayString(), "Shift+Super+3");
    EXPECT_EQ((KeyCombo{35, 0, "P"}).displayString(), "P");
    EXPECT_EQ((MouseTrigger{2, 0}).description(), "Middle button");
    EXPECT_EQ((MouseTrigger{3, 0}).description(), "Button 4");
    EXPECT_EQ((MouseTrigger{7, StoredSuper}).description(), "Super+Button 8");

    EXPECT_EQ(KeyCombo::keyLabel(KeyCodeReturn, keyCharacters(KeyCodeReturn)), "↩");
    EXPECT_EQ(KeyCombo::keyLabel(KeyCodeTab, "\t"), "⇥");
    EXPECT_EQ(KeyCombo::keyLabel(KeyCodeSpace, " "), "Space");
    EXPECT_EQ(KeyCombo::keyLabel(KeyCodeLeft, {}), "←");
    EXPECT_EQ(KeyCombo::keyLabel(KeyCodeUp, {}), "↑");
    EXPECT_EQ(KeyCombo::keyLabel(35, keyCharacters(35)), "P");
    EXPECT_EQ(KeyCombo::keyLabel(30, keyCharacters(30)), "]");
    EXPECT_EQ(KeyCombo::keyLabel(116, keyCharacters(116)), "Page Up");
    EXPECT_EQ(KeyCombo::keyLabel(999, keyCharacters(999)), "?");

    // Upper-cased in the keyboard's language: a Turkish keyboard's ı and i keep their own
    // capitals, while elsewhere both dots go (whatever the user's locale).
    setKeyboardLocale([] { return QLocale(QLocale::Turkish, QLocale::Turkey); });
    EXPECT_EQ(KeyCombo::keyLabel(34, u"ı"_qs), u"I"_qs);
    EXPECT_EQ(KeyCombo::keyLabel(39, u"i"_qs), u"İ"_qs);
    EXPECT_EQ(KeyCombo::keyLabel(41, u"ş"_qs), u"Ş"_qs);
    setKeyboardLocale([] { return QLocale(QLocale::German, QLocale::Germany); });
    EXPECT_EQ(KeyCombo::keyLabel(34, u"i"_qs), u"I"_qs);
    EXPECT_EQ(KeyCombo::keyLabel(27, u"ß"_qs), u"ß"_qs);
    setKeyboardLocale(nullptr);
}

TEST(InputCodes, KeysAndButtonsMapBothWays)
{
    // Every stored key code has one keysym, and the key that produces it maps back.
    for (std::uint32_t code = 0; code < 128; ++code) {
        if (!keysymForKeyCode(code))
            continue;
        EXPECT_FALSE(keyCharacters(code).isEmpty()) << code;
    }
    EXPECT_EQ(keysymForKeyCode(35), 0x70u);        // p
    EXPECT_EQ(keysymForKeyCode(KeyCodeEscape), 0xff1bu);
    EXPECT_EQ(keyCodeForQtKey(Qt::Key_P), 35u);
    EXPECT_EQ(keyCodeForQtKey(Qt::Key_NumberSign), 20u) << "Shift+3 is the 3 key";
    EXPECT_EQ(keyCodeForQtKey(Qt::Key_BraceRight), 30u);
    EXPECT_EQ(keyCodeForQtKey(Qt::Key_Backtab), 48u);
    EXPECT_EQ(keyCodeForQtKey(Qt::Key_1, true), 83u) << "keypad 1";
    EXPECT_EQ(keyCodeForQtKey(Qt::Key_Plus, true), 69u);
    EXPECT_EQ(keyCodeForQtKey(Qt::Key_Plus, false), 24u) << "Shift+= off the keypad";
    EXPECT_FALSE(keyCodeForQtKey(Qt::Key_VolumeUp));
    EXPECT_EQ(storedModifiers(Qt::ControlModifier | Qt::AltModifier | Qt::KeypadModifier), 0x1800u);
    EXPECT_EQ(storedModifiers(Qt::MetaModifier | Qt::ShiftModifier), 0x300u);

    EXPECT_EQ(storedButton(Qt::MiddleButton), 2);
    EXPECT_EQ(storedButton(Qt::BackButton), 3);
    EXPECT_EQ(storedButton(Qt::ForwardButton), 4);
    EXPECT_EQ(storedButton(Qt::ExtraButton3), 5);
    EXPECT_FALSE(storedButton(Qt::LeftButton));
    EXPECT_FALSE(storedButton(Qt::RightButton));
    for (int x = 1; x <= 255; ++x) {
        const auto stored = storedButtonForXButton(x);
        EXPECT_EQ(stored.has_value(), x < 4 || x > 7) << "X " << x;
        if (stored) {
            EXPECT_EQ(xButtonForStoredButton(*stored), x);
        }
    }
    EXPECT_EQ(xButtonForStoredButton(3), 8);
    EXPECT_EQ(xButtonForStoredButton(5), 10);
    EXPECT_FALSE(xButtonForStoredButton(251)) << "past X's last button";
    EXPECT_FALSE(xButtonForStoredButton(-1));
}

} // namespace
} // namespace fw
