#include "TreeBuilders.h"
#include "base/Log.h"
#include "base/UserDefaults.h"
#include "layout/LayoutStore.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace fw;

namespace {

const QString kSaved = QStringLiteral("layouts.v2");
const QString kCustom = QStringLiteral("customLayouts.v1");
const QString kActive = QStringLiteral("activeLayouts.v1");
const QString kDisplay = QStringLiteral("37D8832A-2D66-02CA-B9F7-8F30A301B230");
const QString kOther = QStringLiteral("HDMI-1");

QStringList keysWritten(const MemoryDefaults& defaults)
{
    QStringList keys;
    for (const auto& write : defaults.writeLog())
        keys << write.key;
    return keys;
}

QJsonValue json(const char* text)
{
    QJsonParseError error;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text;
    return doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array());
}

SnapLayout custom(const QString& id, const QString& name, RegionTree tree)
{
    return SnapLayout{id, name, std::move(tree), std::nullopt};
}

SnapLayout builtIn(const char* id)
{
    for (const auto& layout : SnapLayout::builtIns())
        if (layout.id == QLatin1String(id))
            return layout;
    ADD_FAILURE() << "no built-in " << id;
    return {};
}

SnapLayout withTree(SnapLayout layout, RegionTree tree)
{
    layout.tree = std::move(tree);
    return layout;
}

QStringList names(const std::vector<SnapLayout>& layouts)
{
    QStringList out;
    for (const auto& l : layouts)
        out << l.name;
    return out;
}

QStringList builtInNames() { return names(SnapLayout::builtIns()); }

} // namespace

TEST(LayoutStore, FreshInstallOffersTheBuiltInsAndWritesNothing)
{
    MemoryDefaults defaults;
    LayoutStore store(defaults);
    EXPECT_EQ(store.layouts(kDisplay), SnapLayout::builtIns());
    EXPECT_EQ(store.menuLayouts(kDisplay), SnapLayout::builtIns());
    EXPECT_EQ(store.choices(kDisplay), SnapLayout::builtIns());
    EXPECT_FALSE(store.activeLayout(kDisplay).has_value());
    EXPECT_TRUE(store.customLayouts(kDisplay).empty());
    EXPECT_TRUE(defaults.writeLog().empty());
}

TEST(LayoutStore, AdjustedTreesApplyOnlyWithTheSameRegions)
{
    MemoryDefaults defaults;
    defaults.setValue(kSaved, json(R"({"HDMI-1": {
        "halves": {"split": {"_0": "horizontal", "_1": 0.6, "_2": {"leaf": {"_0": 0}}, "_3": {"leaf": {"_0": 1}}}},
        "rows": {"split": {"_0": "vertical", "_1": 0.3, "_2": {"leaf": {"_0": 0}},
                 "_3": {"split": {"_0": "vertical", "_1": 0.5, "_2": {"leaf": {"_0": 1}}, "_3": {"leaf": {"_0": 2}}}}}}}})"));
    defaults.clearWriteLog();
    LayoutStore store(defaults);
    EXPECT_TRUE(defaults.writeLog().empty());

    const SnapLayout adjustedHalves = withTree(builtIn("halves"), H(0.6, L(0), L(1)));
    const auto full = store.layouts(kOther);
    EXPECT_EQ(names(full), builtInNames());
    EXPECT_EQ(full[0], adjustedHalves);
    EXPECT_EQ(full[5], builtIn("rows")) << "a stored tree with other regions is ignored";
    EXPECT_EQ(store.layouts(kDisplay), SnapLayout::builtIns()) << "other displays are untouched";

    // The menus list built-ins as they come; an adjusted active layout follows at the end.
    EXPECT_EQ(store.menuLayouts(kOther), SnapLayout::builtIns());
    store.setActive(adjustedHalves, kOther);
    auto menu = store.menuLayouts(kOther);
    ASSERT_EQ(menu.size(), 9u);
    EXPECT_EQ(menu[0], builtIn("halves"));
    EXPECT_EQ(menu[8], adjustedHalves);
    // An extra layout takes the active one's place; one already listed is not repeated.
    EXPECT_EQ(store.menuLayouts(kOther, builtIn("rows")).size(), 8u);
    EXPECT_EQ(store.menuLayouts(kOther, withTree(builtIn("rows"), V(0.7, L(0), L(1)))).back().tree, V(0.7, L(0), L(1)));

    // Candidates: the active layout first, then each distinct layout once.
    const auto choices = store.choices(kOther);
    ASSERT_EQ(choices.size(), 9u);
    EXPECT_EQ(choices[0], adjustedHalves);
    EXPECT_EQ(choices[1], builtIn("thirds"));
    EXPECT_EQ(choices[8], builtIn("halves"));

    // The ignored tree stays stored through later writes.
    store.save(withTree(builtIn("focus"), H(0.7, L(0), L(1))), kOther);
    const QJsonObject written = defaults.value(kSaved)->toObject().value(kOther).toObject();
    EXPECT_EQ(written.keys(), (QStringList{"focus", "halves", "rows"}));
}

TEST(LayoutStore, LoadingListsOnlyTheEntriesThatWork)
{
    MemoryDefaults defaults;
    defaults.setValue(kSaved, json(R"({
        "good": {"halves": {"split": {"_0": "horizontal", "_1": 0.6, "_2": {"leaf": {"_0": 0}}, "_3": {"leaf": {"_0": 1}}}},
                 "rows": {"leaf": {"_0": 3}, "split": {}},
                 "thirds": {"split": {"_0": "horizontal", "_1": 0.95, "_2": {"leaf": {"_0": 0}}, "_3": {"leaf": {"_0": 1}}}},
                 "focus": "not a tree"},
        "broken": [1, 2, 3]})"));
    defaults.setValue(kCustom, json(R"({
        "good": [
            {"id": "user-a", "name": "  Kept untrimmed ", "tree": {"leaf": {"_0": 0}}, "apps": {"0": "org.gnome.Terminal"}},
            {"id": "plain", "name": "Wrong id", "tree": {"leaf": {"_0": 0}}},
            {"id": "user-b", "name": " \n ", "tree": {"leaf": {"_0": 0}}},
            {"id": "user-c", "name": "Invalid", "tree": {"leaf": {"_0": 16}}},
            {"id": "user-a", "name": "Second of a", "tree": {"leaf": {"_0": 1}}},
            {"name": "No id", "tree": {"leaf": {"_0": 0}}},
            42,
            {"id": "user-d", "name": "Also kept", "tree": {"leaf": {"_0": 2}}}],
        "broken": {"id": "user-e"},
        "empty": [7]})"));
    defaults.setValue(kActive, json(R"({
        "good": {"id": "focus", "name": "Wide + narrow", "tree": {"leaf": {"_0": 0}}},
        "badTree": {"id": "focus", "name": "Wide + narrow", "tree": {"leaf": {"_0": -1}}},
        "notALayout": [1]})"));
    defaults.clearWriteLog();
    LayoutStore store(defaults);
    EXPECT_TRUE(defaults.writeLog().empty());

    EXPECT_EQ(store.layouts(QStringLiteral("good"))[0].tree, H(0.6, L(0), L(1)));
    const auto kept = store.customLayouts(QStringLiteral("good"));
    ASSERT_EQ(kept.size(), 2u);
    EXPECT_EQ(kept[0].id, QStringLiteral("user-a"));
    EXPECT_EQ(kept[0].name, QStringLiteral("  Kept untrimmed "));
    EXPECT_EQ(kept[0].apps, (SnapLayout::AppMap{{0, {QStringLiteral("org.gnome.Terminal")}}}));
    EXPECT_EQ(kept[1].id, QStringLiteral("user-d"));
    EXPECT_TRUE(store.customLayouts(QStringLiteral("empty")).empty());
    EXPECT_EQ(store.activeLayout(QStringLiteral("good"))->tree, L(0));
    EXPECT_FALSE(store.activeLayout(QStringLiteral("badTree")).has_value());
    EXPECT_FALSE(store.activeLayout(QStringLiteral("notALayout")).has_value());

    // A change on another display keeps every good entry of the others.
    store.save(builtIn("rows"), kOther);
    store.upsertCustom(custom(QStringLiteral("user-z"), QStringLiteral("New"), L(0)), kOther);
    const QJsonObject saved = defaults.value(kSaved)->toObject();
    // Entries this version cannot use stay as they were; only what is no entry at all goes.
    EXPECT_EQ(saved.value("good").toObject().keys(), (QStringList{"halves", "rows", "thirds"}));
    EXPECT_TRUE(saved.contains(kOther));
    QStringList ids;
    for (const QJsonValue& entry : defaults.value(kCustom)->toObject().value("good").toArray())
        ids << entry.toObject().value("id").toString();
    EXPECT_EQ(ids, (QStringList{"user-a", "plain", "user-b", "user-c", "user-d"}));
    EXPECT_TRUE(defaults.value(kActive)->toObject().contains("good"));
    EXPECT_TRUE(defaults.value(kActive)->toObject().contains("badTree"));

    // What was written reads back the same.
    LayoutStore reloaded(defaults);
    EXPECT_EQ(reloaded.customLayouts(QStringLiteral("good")), kept);
    EXPECT_EQ(reloaded.layouts(QStringLiteral("good")), store.layouts(QStringLiteral("good")));
    EXPECT_EQ(reloaded.activeLayout(kOther), store.activeLayout(kOther));
    EXPECT_EQ(reloaded.customLayouts(kOther), store.customLayouts(kOther));
}

TEST(LayoutStore, NamesBeyondTheBoundsNeverReachTheMenus)
{
    // 60 characters of 8,001 code points each (960 KB): within the character count, beyond
    // what a name may hold. Stored by an earlier version, it is dropped on load; nothing
    // stores it later, so no menu or picker ever has to draw it.
    const QString hostile = markedName(60, 8000);
    const QString fits = markedName(60, 31);
    const auto entry = [](const QString& id, const QString& name) {
        return SnapLayout{id, name, H(0.5, L(0), L(1)), std::nullopt}.toJson();
    };
    MemoryDefaults defaults;
    defaults.setValue(kCustom, QJsonObject{{kDisplay, QJsonArray{entry("user-a", "Before"), entry("user-h", hostile),
                                                                 entry("user-b", fits)}}});
    defaults.setValue(kActive, QJsonObject{{kDisplay, entry("user-h", hostile)}, {kOther, entry("focus", fits)}});
    defaults.clearWriteLog();
    LayoutStore store(defaults);
    EXPECT_EQ(names(store.customLayouts(kDisplay)), (QStringList{"Before", fits}));
    EXPECT_FALSE(store.activeLayout(kDisplay).has_value());
    EXPECT_EQ(store.activeLayout(kOther)->name, fits);

    const SnapLayout bad = custom(QStringLiteral("user-h"), hostile, L(0));
    EXPECT_FALSE(store.upsertCustom(bad, kDisplay));
    store.setActive(bad, kDisplay);
    store.save(bad, kDisplay);
    EXPECT_EQ(store.importLayouts({bad}, kDisplay).added, 0);
    EXPECT_TRUE(defaults.writeLog().empty());

    for (const auto& list : {store.menuLayouts(kDisplay), store.menuLayouts(kDisplay, bad), store.layouts(kDisplay),
                             store.choices(kDisplay)}) {
        for (const SnapLayout& layout : list)
            EXPECT_NE(layout.name, hostile);
    }
}

TEST(LayoutStore, WholeKeysOfTheWrongShapeLoadEmpty)
{
    MemoryDefaults defaults;
    defaults.setValue(kSaved, QJsonValue(QStringLiteral("{}")));
    defaults.setValue(kCustom, json("[1]"));
    defaults.setValue(kActive, QJsonValue(3));
    LayoutStore store(defaults);
    EXPECT_EQ(store.layouts(kDisplay), SnapLayout::builtIns());
    EXPECT_FALSE(store.activeLayout(kDisplay).has_value());
}

TEST(LayoutStore, SetActiveAndSaveWriteOnlyWhatChanged)
{
    MemoryDefaults defaults;
    LayoutStore store(defaults);
    const SnapLayout halves = builtIn("halves");
    const SnapLayout moved = withTree(halves, H(0.55, L(0), L(1)));

    store.setActive(withTree(halves, H(0.5, L(0), L(0))), kDisplay);
    store.save(withTree(halves, H(0.01, L(0), L(1))), kDisplay);
    EXPECT_TRUE(defaults.writeLog().empty()) << "invalid trees are refused";

    store.setActive(halves, kDisplay);
    EXPECT_EQ(keysWritten(defaults), QStringList{kActive});
    defaults.clearWriteLog();
    store.setActive(halves, kDisplay);
    EXPECT_TRUE(defaults.writeLog().empty()) << "an equal layout writes nothing";
    store.setActive(moved, kDisplay);
    EXPECT_EQ(keysWritten(defaults), QStringList{kActive}) << "same id, another tree";

    defaults.clearWriteLog();
    store.save(halves, kDisplay);
    EXPECT_EQ(keysWritten(defaults), (QStringList{kActive, kSaved})) << "the own tree is stored too";
    defaults.clearWriteLog();
    store.save(halves, kDisplay);
    EXPECT_TRUE(defaults.writeLog().empty());
    store.setActive(builtIn("rows"), kDisplay);
    defaults.clearWriteLog();
    store.save(halves, kDisplay);
    EXPECT_EQ(keysWritten(defaults), QStringList{kActive}) << "an unchanged tree only re-activates";
    defaults.clearWriteLog();
    store.save(moved, kDisplay);
    EXPECT_EQ(keysWritten(defaults), (QStringList{kActive, kSaved}));
    EXPECT_EQ(store.layouts(kDisplay)[0], moved);
    EXPECT_EQ(store.activeLayout(kDisplay), moved);

    EXPECT_EQ(*defaults.value(kSaved), json(R"({"37D8832A-2D66-02CA-B9F7-8F30A301B230": {"halves":
        {"split": {"_0": "horizontal", "_1": 0.55, "_2": {"leaf": {"_0": 0}}, "_3": {"leaf": {"_0": 1}}}}}})"));
    EXPECT_EQ(*defaults.value(kActive), json(R"({"37D8832A-2D66-02CA-B9F7-8F30A301B230": {"id": "halves", "name": "Halves",
        "tree": {"split": {"_0": "horizontal", "_1": 0.55, "_2": {"leaf": {"_0": 0}}, "_3": {"leaf": {"_0": 1}}}}}})"));

    // Reset forgets trees and the active layout, keeps custom layouts, and always writes.
    ASSERT_TRUE(store.upsertCustom(custom(QStringLiteral("user-1"), QStringLiteral("Mine"), L(0)), kDisplay));
    defaults.clearWriteLog();
    store.reset(kDisplay);
    EXPECT_EQ(keysWritten(defaults), (QStringList{kSaved, kActive}));
    EXPECT_EQ(store.layouts(kDisplay).size(), 9u);
    EXPECT_EQ(store.layouts(kDisplay)[0], halves);
    EXPECT_FALSE(store.activeLayout(kDisplay).has_value());
    defaults.clearWriteLog();
    store.reset(QStringLiteral("never seen"));
    EXPECT_EQ(keysWritten(defaults), (QStringList{kSaved, kActive}));
}

TEST(LayoutStore, CornerLayoutExistsOnceSaved)
{
    MemoryDefaults defaults;
    LayoutStore store(defaults);
    ASSERT_TRUE(store.upsertCustom(custom(QStringLiteral("user-1"), QStringLiteral("Mine"), L(0)), kDisplay));
    const SnapLayout corner = custom(QStringLiteral("corner-custom"), QStringLiteral("Corner"), V(0.3, L(0), L(1)));
    store.save(corner, kDisplay);

    const auto full = store.layouts(kDisplay);
    ASSERT_EQ(full.size(), 10u);
    EXPECT_EQ(full[8], custom(QStringLiteral("corner-custom"), QStringLiteral("Custom corner layout"), V(0.3, L(0), L(1))));
    EXPECT_EQ(full[9].id, QStringLiteral("user-1"));
    EXPECT_EQ(store.layouts(kOther).size(), 8u);

    // The menu holds the active corner layout once; with another extra it is added itself.
    EXPECT_EQ(store.menuLayouts(kDisplay).size(), 10u);
    const auto menu = store.menuLayouts(kDisplay, builtIn("rows"));
    ASSERT_EQ(menu.size(), 10u);
    EXPECT_EQ(menu[9].name, QStringLiteral("Custom corner layout"));
}

TEST(LayoutStore, UpsertCustomChecksAndWrites)
{
    MemoryDefaults defaults;
    LayoutStore store(defaults);
    const QString sixty = QStringLiteral(" ") + QString(58, QChar('n')) + QStringLiteral(" ");
    for (const SnapLayout& refused :
         {custom(QStringLiteral("mine"), QStringLiteral("Mine"), L(0)),
          custom(QStringLiteral("user-1"), QStringLiteral("Mine"), H(0.5, L(1), L(1))),
          custom(QStringLiteral("user-1"), sixty + QStringLiteral("n"), L(0)),
          custom(QStringLiteral("user-1"), QStringLiteral(" \t\n"), L(0))}) {
        EXPECT_FALSE(store.upsertCustom(refused, kDisplay)) << refused.name.toStdString();
    }
    EXPECT_TRUE(defaults.writeLog().empty());
    EXPECT_TRUE(store.customLayouts(kDisplay).empty());

    ASSERT_TRUE(store.upsertCustom(custom(QStringLiteral("user-1"), sixty, L(0)), kDisplay));
    EXPECT_EQ(keysWritten(defaults), QStringList{kCustom});
    EXPECT_EQ(store.customLayouts(kDisplay)[0].name, sixty);
    ASSERT_TRUE(store.upsertCustom(custom(QStringLiteral("user-2"), QStringLiteral("Two"), L(1)), kDisplay));

    // Replacing drops the display's adjusted tree for that id; the active layout keeps its tree
    // and takes the new name and apps.
    SnapLayout first = custom(QStringLiteral("user-1"), QStringLiteral("One"), H(0.5, L(0), L(1)));
    ASSERT_TRUE(store.upsertCustom(first, kDisplay));
    store.save(withTree(first, H(0.3, L(0), L(1))), kDisplay);
    EXPECT_EQ(store.layouts(kDisplay)[8].tree, H(0.3, L(0), L(1)));
    defaults.clearWriteLog();
    first.apps = SnapLayout::AppMap{{1, {QStringLiteral("firefox")}}};
    ASSERT_TRUE(store.upsertCustom(first, kDisplay));
    EXPECT_EQ(keysWritten(defaults), (QStringList{kSaved, kActive, kCustom}));
    EXPECT_EQ(store.customLayouts(kDisplay), (std::vector<SnapLayout>{first, custom("user-2", "Two", L(1))}));
    EXPECT_EQ(store.layouts(kDisplay)[8], first);
    EXPECT_EQ(store.activeLayout(kDisplay), withTree(first, H(0.3, L(0), L(1))));

    defaults.clearWriteLog();
    ASSERT_TRUE(store.upsertCustom(first, kDisplay));
    EXPECT_EQ(keysWritten(defaults), QStringList{kCustom}) << "no adjusted tree left to drop";
}

TEST(LayoutStore, DeleteCustomWritesWhatItRemoves)
{
    MemoryDefaults defaults;
    LayoutStore store(defaults);
    const SnapLayout mine = custom(QStringLiteral("user-1"), QStringLiteral("Mine"), H(0.5, L(0), L(1)));
    EXPECT_FALSE(store.deleteCustom(QStringLiteral("user-1"), kDisplay));
    ASSERT_TRUE(store.upsertCustom(mine, kDisplay));
    ASSERT_TRUE(store.upsertCustom(custom(QStringLiteral("user-2"), QStringLiteral("Other"), L(0)), kDisplay));
    defaults.clearWriteLog();
    EXPECT_FALSE(store.deleteCustom(QStringLiteral("user-3"), kDisplay));
    EXPECT_FALSE(store.deleteCustom(QStringLiteral("user-1"), kOther));
    EXPECT_TRUE(defaults.writeLog().empty());

    store.save(withTree(mine, H(0.4, L(0), L(1))), kDisplay);
    defaults.clearWriteLog();
    EXPECT_TRUE(store.deleteCustom(QStringLiteral("user-1"), kDisplay));
    EXPECT_EQ(keysWritten(defaults), (QStringList{kSaved, kActive, kCustom}));
    EXPECT_FALSE(store.activeLayout(kDisplay).has_value());
    EXPECT_EQ(names(store.customLayouts(kDisplay)), QStringList{"Other"});

    defaults.clearWriteLog();
    EXPECT_TRUE(store.deleteCustom(QStringLiteral("user-2"), kDisplay));
    EXPECT_EQ(keysWritten(defaults), QStringList{kCustom});
    EXPECT_EQ(*defaults.value(kCustom), json(R"({"37D8832A-2D66-02CA-B9F7-8F30A301B230": []})"));
}

TEST(LayoutStore, ImportWritesOnlyWhenSomethingWasAdded)
{
    MemoryDefaults defaults;
    LayoutStore store(defaults);
    ASSERT_TRUE(store.upsertCustom(custom(QStringLiteral("user-1"), QStringLiteral("Focus"), L(0)), kDisplay));
    const auto file = LayoutArchive::decode(LayoutArchive::encode(
        {custom(QStringLiteral("x"), QStringLiteral("focus"), H(0.5, L(0), L(1))),
         custom(QStringLiteral("y"), QStringLiteral("Grid"), H(0.5, V(0.5, L(0), L(1)), L(2)))}));
    defaults.clearWriteLog();

    const auto first = store.importLayouts(file, kDisplay);
    EXPECT_EQ(first.added, 2);
    EXPECT_EQ(first.skipped, 0);
    EXPECT_EQ(keysWritten(defaults), QStringList{kCustom});
    EXPECT_EQ(names(store.customLayouts(kDisplay)), (QStringList{"Focus", "focus (imported)", "Grid"}));
    EXPECT_EQ(store.customLayouts(kDisplay), first.layouts);

    defaults.clearWriteLog();
    const auto second = store.importLayouts(file, kDisplay);
    EXPECT_EQ(second.added, 0);
    EXPECT_EQ(second.skipped, 2);
    EXPECT_TRUE(defaults.writeLog().empty());
    EXPECT_EQ(store.customLayouts(kDisplay), first.layouts);

    // Layouts that could never be stored as custom layouts are left out.
    const auto third = store.importLayouts({custom(QStringLiteral("halves"), QStringLiteral("A"), L(0)),
                                            custom(QStringLiteral("user-b"), QStringLiteral("B"), L(16)),
                                            custom(QStringLiteral("user-c"), QStringLiteral(" "), L(0))},
                                           kDisplay);
    EXPECT_EQ(third.added + third.skipped, 0);
    EXPECT_TRUE(defaults.writeLog().empty());
    EXPECT_TRUE(store.customLayouts(kOther).empty());
}

// A display keeps at most maxCustomLayouts custom layouts, on a real defaults file. Past the
// bound a load lists the first ones and says so, and every later write carries the others back
// untouched; a new layout or an import that would pass it is refused whole; a replacement, a
// deletion and then a new layout in the freed place still work.
TEST(LayoutStore, ADisplayKeepsItsBoundAndLosesNothingStoredPastIt)
{
    QTemporaryDir tmp;
    const QString path = tmp.filePath("defaults.json");
    const int stored = LayoutStore::maxCustomLayouts + 50;
    QJsonArray many;
    for (int i = 0; i < stored; ++i)
        many.append(custom(u"user-%1"_qs.arg(i), u"Layout %1"_qs.arg(i), H(0.5, L(0), L(1))).toJson());
    many.append(QJsonObject{{"past the bound", "kept as it stands"}});
    const QJsonObject displays{{kDisplay, many}, {kOther, QJsonArray{custom(u"user-x"_qs, u"X"_qs, L(0)).toJson()}}};
    {
        FileDefaults seed(path);
        seed.setValue(kCustom, displays);
    }

    FileDefaults defaults(path);
    log::Capture capture;
    LayoutStore store(defaults);
    const auto listed = store.customLayouts(kDisplay);
    ASSERT_EQ(listed.size(), size_t(LayoutStore::maxCustomLayouts));
    EXPECT_EQ(listed.back().id, u"user-%1"_qs.arg(LayoutStore::maxCustomLayouts - 1));
    EXPECT_EQ(store.customLayouts(kOther).size(), 1u);
    EXPECT_EQ(capture.messages(LogCategory::App),
              QStringList{u"Display %1 stores %2 custom layouts; the first 1000 are used, the other 51 are kept unused"_qs
                              .arg(kDisplay).arg(stored + 1)});

    const SnapLayout fresh = custom(u"user-new"_qs, u"New"_qs, V(0.5, L(0), L(1)));
    EXPECT_FALSE(store.hasRoomFor(fresh, kDisplay));
    EXPECT_FALSE(store.upsertCustom(fresh, kDisplay));
    const auto imported = store.importLayouts({custom(u"user-i"_qs, u"Imported"_qs, L(0))}, kDisplay);
    EXPECT_EQ(imported.added, 0);
    EXPECT_EQ(imported.refused, 1);
    EXPECT_EQ(store.customLayouts(kDisplay), listed);

    // A replacement is written with everything past the bound as it was.
    ASSERT_TRUE(store.upsertCustom(custom(u"user-5"_qs, u"Renamed"_qs, H(0.5, L(0), L(1))), kDisplay));
    QJsonArray written = FileDefaults(path).value(kCustom)->toObject().value(kDisplay).toArray();
    ASSERT_EQ(written.size(), many.size());
    EXPECT_EQ(written[5].toObject().value("name"), "Renamed");
    for (int i = LayoutStore::maxCustomLayouts; i < many.size(); ++i)
        EXPECT_EQ(written[i], many[i]) << i;

    ASSERT_TRUE(store.deleteCustom(u"user-0"_qs, kDisplay));
    EXPECT_TRUE(store.upsertCustom(fresh, kDisplay));
    written = FileDefaults(path).value(kCustom)->toObject().value(kDisplay).toArray();
    EXPECT_EQ(written.size(), many.size());
    EXPECT_EQ(written[LayoutStore::maxCustomLayouts - 1].toObject().value("id"), "user-new");
}

// Layouts this version cannot read (a newer version's tree, say) are kept in the stored list, in
// their place and untouched, across every write of it: an import, a save, a delete of another;
// the same for trees and active layouts. They are never listed.
TEST(LayoutStore, UnreadableEntriesSurviveEveryWriteInTheirPlace)
{
    const QJsonValue grid = json(R"({"id": "user-grid", "name": "Grid", "tree": {"grid": {"columns": 3, "rows": 2}},
                                     "since": 7})");
    const QJsonValue gridTree = json(R"({"grid": {"columns": 3, "rows": 2}})");
    const SnapLayout first = custom(QStringLiteral("user-1"), QStringLiteral("First"), H(0.5, L(0), L(1)));
    const SnapLayout second = custom(QStringLiteral("user-2"), QStringLiteral("Second"), L(0));
    MemoryDefaults defaults;
    defaults.setValue(kCustom, QJsonObject{{kDisplay, QJsonArray{first.toJson(), grid, second.toJson()}}});
    defaults.setValue(kSaved, QJsonObject{{kDisplay, QJsonObject{{"user-grid", gridTree}}}});
    defaults.setValue(kActive, QJsonObject{{kOther, grid}});
    LayoutStore store(defaults);
    EXPECT_EQ(store.customLayouts(kDisplay), (std::vector<SnapLayout>{first, second}));
    EXPECT_FALSE(names(store.menuLayouts(kDisplay)).contains("Grid"));
    EXPECT_FALSE(store.activeLayout(kOther).has_value());

    const auto writtenList = [&] { return defaults.value(kCustom)->toObject().value(kDisplay).toArray(); };
    const SnapLayout imported = custom(QStringLiteral("user-3"), QStringLiteral("Imported"), V(0.5, L(0), L(1)));
    ASSERT_EQ(store.importLayouts({imported}, kDisplay).added, 1);
    EXPECT_EQ(writtenList(), (QJsonArray{first.toJson(), grid, second.toJson(), imported.toJson()}));

    ASSERT_TRUE(store.deleteCustom(first.id, kDisplay));
    EXPECT_EQ(writtenList(), (QJsonArray{grid, second.toJson(), imported.toJson()}));
    SnapLayout renamed = second;
    renamed.name = QStringLiteral("Renamed");
    ASSERT_TRUE(store.upsertCustom(renamed, kDisplay));
    store.save(withTree(imported, V(0.3, L(0), L(1))), kDisplay);
    EXPECT_EQ(writtenList(), (QJsonArray{grid, renamed.toJson(), imported.toJson()}));
    EXPECT_EQ(defaults.value(kSaved)->toObject().value(kDisplay).toObject().value("user-grid"), gridTree);

    // Active layouts written for another display keep the unread one.
    EXPECT_EQ(defaults.value(kActive)->toObject().value(kOther), grid);

    // Read again, the kept entry is still kept and still unlisted.
    LayoutStore reloaded(defaults);
    EXPECT_EQ(reloaded.customLayouts(kDisplay), (std::vector<SnapLayout>{renamed, imported}));
    ASSERT_TRUE(reloaded.upsertCustom(custom(QStringLiteral("user-4"), QStringLiteral("New"), L(1)), kDisplay));
    EXPECT_EQ(writtenList()[0], grid);
}

// What is no layout at all (not an object, no id, a duplicate of a listed id) is dropped, and the
// user is told once: when the report is set, which writes the list without it.
TEST(LayoutStore, DroppedEntriesAreToldOnce)
{
    const SnapLayout kept = custom(QStringLiteral("user-1"), QStringLiteral("Kept"), L(0));
    MemoryDefaults defaults;
    defaults.setValue(kCustom, QJsonObject{{kDisplay, QJsonArray{42, json(R"({"name": "No id", "tree": {"leaf": {"_0": 0}}})"),
                                                                 kept.toJson(), kept.toJson()}}});
    defaults.clearWriteLog();
    LayoutStore store(defaults);
    EXPECT_TRUE(defaults.writeLog().empty());
    QStringList told;
    const auto report = [&](const QString& text) { told << text; };
    store.setReport(report);
    EXPECT_EQ(told, QStringList{"3 saved custom layouts couldn’t be read and were removed. Your other layouts are kept."});
    EXPECT_EQ(*defaults.value(kCustom), (QJsonObject{{kDisplay, QJsonArray{kept.toJson()}}}));
    store.setReport(report);
    LayoutStore(defaults).setReport(report);
    EXPECT_EQ(told.size(), 1);
    EXPECT_EQ(LayoutStore::droppedMessage(1),
              "A saved custom layout couldn’t be read and was removed. Your other layouts are kept.");
}

// A custom layout is named by the store alone: the active layout follows a rename (keeping its
// own tree), a deleted one is never made active again, and one deleted by an earlier version
// that left it active is no longer active once read.
TEST(LayoutStore, TheActiveLayoutFollowsTheCustomLayoutsItNames)
{
    MemoryDefaults defaults;
    LayoutStore store(defaults);
    QStringList changes;
    store.customLayoutsChanged = [&](const QString& display) { changes << display; };
    const SnapLayout work = custom(QStringLiteral("user-w"), QStringLiteral("Work"), H(0.5, L(0), L(1)));
    ASSERT_TRUE(store.upsertCustom(work, kDisplay));
    store.save(withTree(work, H(0.4, L(0), L(1))), kDisplay);
    SnapLayout renamed = work;
    renamed.name = QStringLiteral("Work Two");
    ASSERT_TRUE(store.upsertCustom(renamed, kDisplay));
    EXPECT_EQ(store.activeLayout(kDisplay), withTree(renamed, H(0.4, L(0), L(1))));
    EXPECT_EQ(store.current(work, kDisplay), renamed);
    EXPECT_EQ(store.current(builtIn("halves"), kDisplay), builtIn("halves"));

    ASSERT_TRUE(store.deleteCustom(work.id, kDisplay));
    EXPECT_EQ(changes, (QStringList{kDisplay, kDisplay, kDisplay}));
    EXPECT_FALSE(store.current(renamed, kDisplay).has_value());
    store.setActive(renamed, kDisplay);
    store.save(renamed, kDisplay);
    EXPECT_FALSE(store.activeLayout(kDisplay).has_value());
    EXPECT_FALSE(names(store.menuLayouts(kDisplay)).contains("Work Two"));

    defaults.setValue(kActive, QJsonObject{{kDisplay, renamed.toJson()}});
    EXPECT_FALSE(LayoutStore(defaults).activeLayout(kDisplay).has_value());
}
