#include "TreeBuilders.h"
#include "layout/LayoutArchive.h"

#include <QCryptographicHash>
#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace fw;

namespace {

const QString kNameMessage = QString::fromUtf8("Layout names must be 1\u201360 characters without control characters.");
const QString kNesting = QStringLiteral("A layout tree is invalid or too deeply nested.");
const QString kSplit = QStringLiteral("Splits must specify columns or rows and a ratio between 0.08 and 0.92.");
const QString kRegion = QStringLiteral("Regions must have unique integer numbers from 0 to 15.");
const QString kCount = QStringLiteral("A layout file must contain between 1 and 128 layouts.");
const QString kVersion =
    QStringLiteral("This layout file uses an unsupported version. Try a newer version of Framewell.");
const QString kNotAFile = QStringLiteral("This is not a Framewell layout file.");

QByteArray document(const QString& layouts)
{
    return QStringLiteral(R"({"format": "orrindale.Framewell.layouts", "version": 1, "layouts": [%1]})")
        .arg(layouts)
        .toUtf8();
}

QByteArray oneLayout(const QString& name, const QString& tree)
{
    return document(QStringLiteral(R"({"name": %1, "tree": %2})").arg(name, tree));
}

// The message an import refuses with, "accepted", or "not JSON".
QString outcome(const QByteArray& data)
{
    try {
        LayoutArchive::decode(data);
        return QStringLiteral("accepted");
    } catch (const LayoutArchive::ArchiveError& e) {
        return e.message();
    } catch (const LayoutArchive::JsonError&) {
        return QStringLiteral("not JSON");
    }
}

QString exportOutcome(const std::vector<SnapLayout>& layouts)
{
    try {
        LayoutArchive::encode(layouts);
        return QStringLiteral("accepted");
    } catch (const LayoutArchive::ArchiveError& e) {
        return e.message();
    }
}

SnapLayout named(const QString& name, RegionTree tree, const QString& id = QStringLiteral("user-x"))
{
    return SnapLayout{id, name, std::move(tree), std::nullopt};
}

std::vector<SnapLayout> importTree(const QString& name, const RegionTree& tree)
{
    return LayoutArchive::decode(LayoutArchive::encode({named(name, tree)}));
}

} // namespace

TEST(LayoutArchive, ExportThenImportKeepsTreesAndTrimmedNames)
{
    const RegionTree deep = H(0.25, V(0.08, L(3), L(0)), H(0.92, L(1), V(1.0 / 3.0, L(2), L(15))));
    const QByteArray bytes = LayoutArchive::encode({named(QStringLiteral("  Wide \n"), deep),
                                                    named(QStringLiteral("Halves"), H(0.5, L(0), L(1)))});

    const QJsonObject top = QJsonDocument::fromJson(bytes).object();
    EXPECT_EQ(top.keys(), (QStringList{"format", "layouts", "version"}));
    EXPECT_EQ(top.value("format").toString(), QStringLiteral("orrindale.Framewell.layouts"));
    EXPECT_EQ(top.value("version").toDouble(), 1.0);
    const QJsonObject first = top.value("layouts").toArray().at(0).toObject();
    EXPECT_EQ(first.keys(), (QStringList{"name", "tree"})) << "ids and apps are never written";
    EXPECT_EQ(first.value("tree").toObject().value("axis").toString(), QStringLiteral("columns"));
    EXPECT_EQ(first.value("tree").toObject().value("first").toObject().value("axis").toString(),
              QStringLiteral("rows"));

    const auto layouts = LayoutArchive::decode(bytes);
    ASSERT_EQ(layouts.size(), 2u);
    EXPECT_EQ(layouts[0].name, QStringLiteral("Wide"));
    EXPECT_EQ(layouts[0].tree, deep);
    EXPECT_FALSE(layouts[0].apps.has_value());
    EXPECT_EQ(layouts[1].name, QStringLiteral("Halves"));
    EXPECT_EQ(layouts[1].tree, H(0.5, L(0), L(1)));
}

TEST(LayoutArchive, ImportedIdsHashTheCompactSortedNameAndTree)
{
    const auto layouts = LayoutArchive::decode(oneLayout(QStringLiteral("\" Main \""),
        QStringLiteral(R"({"second": {"region": 1.0}, "ratio": 0.5, "first": {"region": 0}, "axis": "rows", "x": 1})")));
    ASSERT_EQ(layouts.size(), 1u);
    const QByteArray canonical =
        R"({"name":"Main","tree":{"axis":"rows","first":{"region":0},"ratio":0.5,"second":{"region":1}}})";
    EXPECT_EQ(layouts[0].id, QStringLiteral("user-import-")
                                 + QString::fromLatin1(QCryptographicHash::hash(canonical, QCryptographicHash::Sha256).toHex()));

    // Equal names and trees give equal ids however the file spelled them; anything else differs.
    EXPECT_EQ(importTree(QStringLiteral("Main"), V(0.5, L(0), L(1)))[0].id, layouts[0].id);
    EXPECT_NE(importTree(QStringLiteral("Main"), V(0.5, L(1), L(0)))[0].id, layouts[0].id);
    EXPECT_NE(importTree(QStringLiteral("main"), V(0.5, L(0), L(1)))[0].id, layouts[0].id);
}

TEST(LayoutArchive, ExportRefusesInCheckOrder)
{
    const SnapLayout good = named(QStringLiteral("Good"), H(0.5, L(0), L(1)));
    const SnapLayout badTree = named(QStringLiteral("Bad tree"), H(0.5, L(2), L(2)));
    const SnapLayout badName = named(QStringLiteral("   "), H(0.5, L(0), L(1)));

    EXPECT_EQ(exportOutcome({}), QStringLiteral("Choose between 1 and 128 layouts to export."));
    EXPECT_EQ(exportOutcome(std::vector<SnapLayout>(129, good)), QStringLiteral("Choose between 1 and 128 layouts to export."));
    EXPECT_EQ(exportOutcome(std::vector<SnapLayout>(128, good)), QStringLiteral("accepted"));
    EXPECT_EQ(exportOutcome({good, badTree, badName}), QStringLiteral("A layout has invalid regions."));
    EXPECT_EQ(exportOutcome({good, badName, badTree}), kNameMessage);
    // The tree of a layout is checked before its name.
    EXPECT_EQ(exportOutcome({named(QStringLiteral("\t"), L(16))}), QStringLiteral("A layout has invalid regions."));

    // One user-perceived character can hold 5,000 code points: such a name is refused.
    const QString heavy = markedName(1, 5000);
    ASSERT_EQ(LayoutArchive::characterCount(heavy), 1);
    EXPECT_EQ(exportOutcome({named(heavy, L(0))}), kNameMessage);
}

TEST(LayoutArchive, NamesAreBoundedInWhatEachCharacterHolds)
{
    // A base letter with 31 marks is one character of 32 code points, the most one may hold.
    EXPECT_TRUE(LayoutArchive::fitsNameBounds(markedName(43, 31)));
    EXPECT_FALSE(LayoutArchive::fitsNameBounds(markedName(1, 32)));
    // 60 emoji families with skin tones (11 code points, 41 bytes each) fit.
    QString families;
    for (int i = 0; i < 60; ++i)
        families += QString::fromUtf8("\U0001F468\U0001F3FB\u200D\U0001F469\U0001F3FD\u200D\U0001F467\U0001F3FE"
                                      "\u200D\U0001F466\U0001F3FF");
    EXPECT_EQ(LayoutArchive::characterCount(families), 60);
    EXPECT_TRUE(LayoutArchive::fitsNameBounds(families));
    // The encoded length: 4,096 UTF-8 bytes and not one more, with fewer than 60 characters.
    // Letters with combining harpoons: three bytes per mark.
    const auto harpoons = [](int marks) { return QLatin1Char('a') + QString(marks, QChar(0x20D0)); };
    QString exact;
    for (int i = 0; i < 43; ++i)
        exact += harpoons(31);
    exact += harpoons(17) + QStringLiteral("xx");
    ASSERT_EQ(exact.toUtf8().size(), 4096);
    EXPECT_TRUE(LayoutArchive::fitsNameBounds(exact));
    EXPECT_FALSE(LayoutArchive::fitsNameBounds(exact + QLatin1Char('x')));

    // The file from the hostile review: 60 characters of 8,001 code points each, 960 KB, is
    // refused by its name, in a file that keeps every other limit.
    const QByteArray hostile = oneLayout(QStringLiteral("\"%1\"").arg(markedName(60, 8000)), QStringLiteral(R"({"region": 0})"));
    ASSERT_LT(hostile.size(), LayoutArchive::maxBytes);
    ASSERT_GT(hostile.size(), 960000);
    EXPECT_EQ(outcome(hostile), kNameMessage);
    EXPECT_EQ(LayoutArchive::characterCount(markedName(60, 8000)), 60);
}

TEST(LayoutArchive, NamesAreTrimmedCountedByCharacterAndFreeOfControls)
{
    EXPECT_EQ(LayoutArchive::isValidName(QStringLiteral("\n  Two words \t")), QStringLiteral("Two words"));
    EXPECT_EQ(LayoutArchive::isValidName(QString::fromUtf8("\u3000Ideographic\u2029")), QStringLiteral("Ideographic"));

    const QString sixty = QString(60, QChar('x'));
    EXPECT_EQ(LayoutArchive::isValidName(QStringLiteral("  ") + sixty + QStringLiteral("  ")), sixty);
    EXPECT_THROW(LayoutArchive::isValidName(sixty + QStringLiteral("y")), LayoutArchive::ArchiveError);

    // 60 flags, each two code points and four UTF-16 units, are 60 characters.
    QString flags;
    for (int i = 0; i < 60; ++i)
        flags += QString::fromUtf8("\U0001F1E9\U0001F1EA");
    EXPECT_EQ(LayoutArchive::isValidName(flags), flags);
    EXPECT_THROW(LayoutArchive::isValidName(flags + QStringLiteral("!")), LayoutArchive::ArchiveError);

    for (const char* bad : {"", "   ", "\n\t", "Tab\there", "New\nline", "Soft\u00adhyphen", "Zero\u200bwidth",
                            "Bell\x07", "Del\x7f"}) {
        try {
            LayoutArchive::isValidName(QString::fromUtf8(bad));
            ADD_FAILURE() << "accepted " << bad;
        } catch (const LayoutArchive::ArchiveError& e) {
            EXPECT_EQ(e.message(), kNameMessage) << bad;
        }
    }
}

TEST(LayoutArchive, SizeLimitIsOnRawBytesBeforeParsing)
{
    QByteArray exact = oneLayout(QStringLiteral("\"Padded\""), QStringLiteral(R"({"region": 0})"));
    exact.append(QByteArray(LayoutArchive::maxBytes - exact.size(), ' '));
    ASSERT_EQ(exact.size(), 1048576);
    EXPECT_EQ(outcome(exact), QStringLiteral("accepted"));

    EXPECT_EQ(outcome(exact + ' '), QStringLiteral("Layout files must be no larger than 1 MB."));
    EXPECT_EQ(outcome(QByteArray(LayoutArchive::maxBytes + 1, '[')), QStringLiteral("Layout files must be no larger than 1 MB."));
    EXPECT_EQ(outcome(QByteArray(LayoutArchive::maxBytes, '[')), QStringLiteral("not JSON"));
}

TEST(LayoutArchive, DocumentChecksRunInOrder)
{
    const QString good = QStringLiteral(R"({"name": "A", "tree": {"region": 0}})");
    const struct {
        const char* document;
        QString expected;
    } cases[] = {
        {"", "not JSON"},
        {"{\"format\": ", "not JSON"},
        {"\"orrindale.Framewell.layouts\"", "not JSON"},
        {"[]", kNotAFile},
        {"{}", kNotAFile},
        {R"({"format": "orrindale.Framewell.Layouts", "version": 1})", kNotAFile},
        {R"({"format": ["orrindale.Framewell.layouts"], "version": 2})", kNotAFile},
        {R"({"format": "orrindale.Framewell.layouts"})", kVersion},
        {R"({"format": "orrindale.Framewell.layouts", "version": "1", "layouts": []})", kVersion},
        {R"({"format": "orrindale.Framewell.layouts", "version": true})", kVersion},
        {R"({"format": "orrindale.Framewell.layouts", "version": 2})", kVersion},
        {R"({"format": "orrindale.Framewell.layouts", "version": 1.5})", kVersion},
        {R"({"format": "orrindale.Framewell.layouts", "version": 1.0})", kCount},
        {R"({"format": "orrindale.Framewell.layouts", "version": 1, "layouts": {}})", kCount},
        {R"({"format": "orrindale.Framewell.layouts", "version": 1, "layouts": []})", kCount},
        {R"({"format": "orrindale.Framewell.layouts", "version": 1, "layouts": [[]]})", kCount},
        // Every entry must be an object before any layout is read.
        {R"({"format": "orrindale.Framewell.layouts", "version": 1, "layouts": [{"name": " "}, 3]})", kCount},
        {R"({"format": "orrindale.Framewell.layouts", "version": 1.0, "layouts": [{"name": "A", "tree": {"region": 0}}]})",
         "accepted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(outcome(QByteArray(c.document)), c.expected) << c.document;

    QStringList many;
    for (int i = 0; i < 128; ++i)
        many << good;
    EXPECT_EQ(outcome(document(many.join(','))), QStringLiteral("accepted"));
    many << good;
    EXPECT_EQ(outcome(document(many.join(','))), kCount);
}

TEST(LayoutArchive, LayoutAndNodeChecksRunInOrder)
{
    const struct {
        const char* name;
        const char* tree;
        QString expected;
    } cases[] = {
        {"null", R"({"region": 0})", "A layout is missing its name."},
        {"5", R"({"region": 0})", "A layout is missing its name."},
        {"\" \"", R"({"region": 16})", kNameMessage},
        {"\"A\"", nullptr, kNesting},
        {"\"A\"", "3", kNesting},
        {"\"A\"", "[]", kNesting},
        {"\"A\"", "{}", kSplit},
        {"\"A\"", R"({"region": 3.0})", "accepted"},
        {"\"A\"", R"({"region": 15, "other": true})", "accepted"},
        {"\"A\"", R"({"region": 3.5})", kRegion},
        {"\"A\"", R"({"region": 16})", kRegion},
        {"\"A\"", R"({"region": -1})", kRegion},
        {"\"A\"", R"({"region": "3"})", kRegion},
        {"\"A\"", R"({"region": true})", kRegion},
        {"\"A\"", R"({"region": null})", kRegion},
        {"\"A\"", R"({"region": 3, "ratio": 0.5})", kRegion},
        {"\"A\"", R"({"region": 3, "second": {"region": 1}})", kRegion},
        {"\"A\"", R"({"axis": "columns", "ratio": 0.08, "first": {"region": 0}, "second": {"region": 1}})", "accepted"},
        {"\"A\"", R"({"axis": "rows", "ratio": 0.92, "first": {"region": 0}, "second": {"region": 1}})", "accepted"},
        {"\"A\"", R"({"axis": "columns", "ratio": 0.07, "first": {"region": 0}, "second": {"region": 1}})", kSplit},
        {"\"A\"", R"({"axis": "columns", "ratio": 0.93, "first": {"region": 0}, "second": {"region": 1}})", kSplit},
        {"\"A\"", R"({"axis": "columns", "first": {"region": 0}, "second": {"region": 1}})", kSplit},
        {"\"A\"", R"({"axis": "columns", "ratio": "0.5", "first": {"region": 0}, "second": {"region": 1}})", kSplit},
        {"\"A\"", R"({"axis": "horizontal", "ratio": 0.5, "first": {"region": 0}, "second": {"region": 1}})", kSplit},
        {"\"A\"", R"({"ratio": 0.5, "first": {"region": 0}, "second": {"region": 1}})", kSplit},
        {"\"A\"", R"({"axis": "columns", "ratio": 0.5, "first": {"region": 0}})", kNesting},
        {"\"A\"", R"({"axis": "columns", "ratio": 0.5, "first": 0, "second": {"region": 1}})", kNesting},
        // The first child is read completely before the second.
        {"\"A\"", R"({"axis": "columns", "ratio": 0.5, "first": {"region": 99}, "second": {}})", kRegion},
        {"\"A\"", R"({"axis": "columns", "ratio": 0.5, "first": {"region": 2}, "second": {"region": 2}})",
         "A layout contains duplicate or invalid regions."},
    };
    for (const auto& c : cases) {
        const QString layout = c.tree ? QStringLiteral(R"({"name": %1, "tree": %2})").arg(QLatin1String(c.name), QLatin1String(c.tree))
                                      : QStringLiteral(R"({"name": %1})").arg(QLatin1String(c.name));
        EXPECT_EQ(outcome(document(layout)), c.expected) << c.name << " " << (c.tree ? c.tree : "(no tree)");
    }

    EXPECT_EQ(LayoutArchive::decode(oneLayout("\"A\"", R"({"region": 3.0})"))[0].tree, L(3));
    // A fault in a later layout refuses the whole file.
    EXPECT_EQ(outcome(document(QStringLiteral(R"({"name": "A", "tree": {"region": 0}}, {"name": "B", "tree": {}})"))), kSplit);
}

TEST(LayoutArchive, TreesAreBoundedInDepthAndNodeCount)
{
    // A chain of 15 splits: leaves at depth 15 and 31 nodes in all, both at the limit.
    const auto chain = [](int splits, bool firstHeavy) {
        QString node = QStringLiteral(R"({"region": %1})").arg(splits);
        for (int i = splits - 1; i >= 0; --i) {
            const QString leaf = QStringLiteral(R"({"region": %1})").arg(i);
            node = firstHeavy ? QStringLiteral(R"({"axis": "rows", "ratio": 0.5, "first": %1, "second": %2})").arg(node, leaf)
                              : QStringLiteral(R"({"axis": "rows", "ratio": 0.5, "first": %1, "second": %2})").arg(leaf, node);
        }
        return node;
    };
    const auto layouts = LayoutArchive::decode(oneLayout("\"Deep\"", chain(15, false)));
    EXPECT_EQ(layouts[0].tree.regionNumbers().size(), 16u);
    EXPECT_EQ(outcome(oneLayout("\"Deep\"", chain(15, true))), QStringLiteral("accepted"));

    // One level deeper is refused as too deep, not as a tree with a repeated region.
    EXPECT_EQ(outcome(oneLayout("\"Deep\"", chain(16, true))), kNesting);
    EXPECT_EQ(outcome(oneLayout("\"Deep\"", chain(16, false))), kNesting);

    // A shallow tree of 32 nodes is refused by its count.
    const QString leaf = QStringLiteral(R"({"region": 0})");
    const auto pair = [](const QString& a, const QString& b) {
        return QStringLiteral(R"({"axis": "columns", "ratio": 0.5, "first": %1, "second": %2})").arg(a, b);
    };
    QString level = leaf;
    for (int i = 0; i < 4; ++i)
        level = pair(level, level); // 31 nodes, depth 4
    EXPECT_EQ(outcome(oneLayout("\"Wide\"", level)), QStringLiteral("A layout contains duplicate or invalid regions."));
    EXPECT_EQ(outcome(oneLayout("\"Wide\"", pair(level, leaf))), kNesting);

    // Nesting far beyond the limit ends early instead of recursing through it.
    QString tower = leaf;
    for (int i = 0; i < 500; ++i)
        tower = pair(tower, leaf);
    EXPECT_EQ(outcome(oneLayout("\"Tower\"", tower)), kNesting);
}

TEST(LayoutArchive, ImportingTheSameFileTwiceAddsNothing)
{
    const QByteArray file = LayoutArchive::encode({named(QStringLiteral("One"), H(0.5, L(0), L(1))),
                                                   named(QStringLiteral("Two"), V(0.4, L(0), L(1)))});
    const auto first = LayoutArchive::merge(LayoutArchive::decode(file), {});
    EXPECT_EQ(first.added, 2);
    EXPECT_EQ(first.skipped, 0);

    const auto second = LayoutArchive::merge(LayoutArchive::decode(file), first.layouts);
    EXPECT_EQ(second.added, 0);
    EXPECT_EQ(second.skipped, 2);
    EXPECT_EQ(second.layouts, first.layouts);

    // Already present by name and tree (under another id), or twice in one file.
    const SnapLayout mine = named(QStringLiteral("One"), H(0.5, L(0), L(1)), QStringLiteral("user-mine"));
    const auto imported = LayoutArchive::decode(file);
    const auto third = LayoutArchive::merge({imported[0], imported[1], imported[1]}, {mine});
    EXPECT_EQ(third.added, 1);
    EXPECT_EQ(third.skipped, 2);
    ASSERT_EQ(third.layouts.size(), 2u);
    EXPECT_EQ(third.layouts[1].name, QStringLiteral("Two"));
}

TEST(LayoutArchive, MergeRenamesClashingNamesWithinSixtyCharacters)
{
    const auto merged = LayoutArchive::merge(
        {named(QStringLiteral("focus"), L(0), QStringLiteral("user-import-a")),
         named(QStringLiteral("FOCUS"), L(1), QStringLiteral("user-import-b")),
         named(QStringLiteral("Focus"), L(2), QStringLiteral("user-import-c")),
         named(QString::fromUtf8("\u00c4rger"), L(0), QStringLiteral("user-import-d"))},
        {named(QStringLiteral("Focus"), H(0.5, L(0), L(1)), QStringLiteral("user-1")),
         named(QString::fromUtf8("\u00e4rger"), H(0.5, L(0), L(1)), QStringLiteral("user-2"))});
    EXPECT_EQ(merged.added, 4);
    ASSERT_EQ(merged.layouts.size(), 6u);
    EXPECT_EQ(merged.layouts[2].name, QStringLiteral("focus (imported)"));
    EXPECT_EQ(merged.layouts[3].name, QStringLiteral("FOCUS (imported 2)"));
    EXPECT_EQ(merged.layouts[4].name, QStringLiteral("Focus (imported 3)"));
    EXPECT_EQ(merged.layouts[5].name, QString::fromUtf8("\u00c4rger (imported)"));
    for (const auto& layout : merged.layouts)
        EXPECT_FALSE(layout.apps.has_value());

    // Long names are cut by user-perceived characters so that name and suffix make 60.
    QString accented;
    for (int i = 0; i < 60; ++i)
        accented += QString::fromUtf8("e\u0301");
    const auto longer = LayoutArchive::merge(
        {named(accented, L(0), QStringLiteral("user-import-x")), named(accented, L(1), QStringLiteral("user-import-y"))},
        {named(accented, H(0.5, L(0), L(1)), QStringLiteral("user-1"))});
    ASSERT_EQ(longer.layouts.size(), 3u);
    EXPECT_EQ(longer.layouts[1].name, LayoutArchive::leadingCharacters(accented, 49) + QStringLiteral(" (imported)"));
    EXPECT_EQ(LayoutArchive::characterCount(longer.layouts[1].name), 60);
    EXPECT_EQ(longer.layouts[2].name, LayoutArchive::leadingCharacters(accented, 47) + QStringLiteral(" (imported 2)"));
    EXPECT_EQ(LayoutArchive::characterCount(longer.layouts[2].name), 60);
}

TEST(LayoutArchive, MergeGivesAClashingIdAFreshOne)
{
    const SnapLayout existing = named(QStringLiteral("Mine"), H(0.5, L(0), L(1)), QStringLiteral("user-import-same"));
    const auto merged =
        LayoutArchive::merge({named(QStringLiteral("Theirs"), V(0.5, L(0), L(1)), QStringLiteral("user-import-same")),
                              named(QStringLiteral("Again"), V(0.3, L(0), L(1)), QStringLiteral("user-import-same"))},
                             {existing});
    ASSERT_EQ(merged.layouts.size(), 3u);
    const QString a = merged.layouts[1].id, b = merged.layouts[2].id;
    EXPECT_TRUE(a.startsWith(QStringLiteral("user-")) && a != existing.id) << a.toStdString();
    EXPECT_TRUE(b.startsWith(QStringLiteral("user-")) && b != existing.id && b != a) << b.toStdString();
    EXPECT_EQ(merged.layouts[1].name, QStringLiteral("Theirs"));
}
