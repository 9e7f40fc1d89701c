#include "TreeBuilders.h"
#include "layout/SnapLayout.h"

#include <QJsonArray>
#include <QJsonDocument>

#include <gtest/gtest.h>

using namespace fw;

namespace {

QJsonValue parse(const char* text)
{
    QJsonParseError err;
    const QJsonDocument doc = QJsonDocument::fromJson(QByteArray(text), &err);
    EXPECT_EQ(err.error, QJsonParseError::NoError) << text;
    return doc.isObject() ? QJsonValue(doc.object()) : QJsonValue(doc.array());
}

QByteArray compact(const QJsonObject& o) { return QJsonDocument(o).toJson(QJsonDocument::Compact); }

Decoded<RegionTree> decodeTree(const char* text) { return RegionTree::fromJson(parse(text)); }
Decoded<SnapLayout> decodeLayout(const char* text) { return SnapLayout::fromJson(parse(text)); }

const QString kKeyCount = QStringLiteral("Invalid number of keys found, expected one.");

} // namespace

TEST(RegionTreeJson, WritesTheTaggedPositionalForm)
{
    EXPECT_EQ(compact(L(3).toJson()), QByteArray(R"({"leaf":{"_0":3}})"));
    EXPECT_EQ(compact(H(0.5, L(0), L(1)).toJson()),
              QByteArray(R"({"split":{"_0":"horizontal","_1":0.5,"_2":{"leaf":{"_0":0}},"_3":{"leaf":{"_0":1}}}})"));
    EXPECT_EQ(toJson(SplitAxis::vertical), QJsonValue("vertical"));
}

TEST(RegionTreeJson, RoundTripsEveryBuiltInExactly)
{
    for (const auto& layout : SnapLayout::builtIns()) {
        SCOPED_TRACE(layout.id.toStdString());
        // Through text, so the ratios (1/3, 0.67) must survive printing and parsing.
        const QByteArray text = compact(layout.toJson());
        auto back = SnapLayout::fromJson(QJsonDocument::fromJson(text).object());
        ASSERT_TRUE(back.ok()) << back.error().toStdString();
        EXPECT_EQ(back.value(), layout);
        EXPECT_FALSE(text.contains("apps"));
    }
}

TEST(RegionTreeJson, CaseKeyCountErrors)
{
    for (const char* text : {R"({"leaf":{"_0":3},"split":{"_0":"horizontal"}})", "{}", R"({"other":1})"}) {
        auto d = decodeTree(text);
        ASSERT_FALSE(d.ok()) << text;
        EXPECT_EQ(d.error(), kKeyCount) << text;
    }
    // Unknown keys beside exactly one case key are ignored, outside and inside.
    auto d = decodeTree(R"({"leaf":{"_0":3,"_9":"x"},"other":1})");
    ASSERT_TRUE(d.ok()) << d.error().toStdString();
    EXPECT_EQ(d.value(), L(3));
    // The count rule also holds for nested trees.
    d = decodeTree(R"({"split":{"_0":"vertical","_1":0.5,"_2":{},"_3":{"leaf":{"_0":1}}}})");
    ASSERT_FALSE(d.ok());
    EXPECT_EQ(d.error(), kKeyCount);
}

TEST(RegionTreeJson, MissingOrMistypedPayloadsFailWithoutCheckingValidity)
{
    const char* bad[] = {
        R"({"leaf":{}})",
        R"({"leaf":{"_0":"3"}})",
        R"({"leaf":{"_0":3.5}})",
        R"({"leaf":{"_0":1e30}})",
        R"({"leaf":3})",
        R"({"split":{"_0":"diagonal","_1":0.5,"_2":{"leaf":{"_0":0}},"_3":{"leaf":{"_0":1}}}})",
        R"({"split":{"_0":"horizontal","_1":"0.5","_2":{"leaf":{"_0":0}},"_3":{"leaf":{"_0":1}}}})",
        R"({"split":{"_0":"horizontal","_1":0.5,"_2":{"leaf":{"_0":0}}}})",
        R"({"split":{"_0":"horizontal","_2":{"leaf":{"_0":0}},"_3":{"leaf":{"_0":1}}}})",
        R"([1,2])",
    };
    for (const char* text : bad) {
        auto d = decodeTree(text);
        EXPECT_FALSE(d.ok()) << text;
        EXPECT_FALSE(d.error().isEmpty()) << text;
    }
    EXPECT_FALSE(RegionTree::fromJson(QJsonValue(QJsonValue::Undefined)).ok());

    // Decoding leaves validity to the caller.
    auto d = decodeTree(R"({"split":{"_0":"vertical","_1":0.99,"_2":{"leaf":{"_0":20}},"_3":{"leaf":{"_0":20}}}})");
    ASSERT_TRUE(d.ok()) << d.error().toStdString();
    EXPECT_EQ(d.value(), V(0.99, L(20), L(20)));
    EXPECT_FALSE(d.value().isValid());
    // An integral number written with a fraction is still a whole number.
    d = decodeTree(R"({"leaf":{"_0":4.0}})");
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.value(), L(4));
}

TEST(SplitAxisJson, OnlyTheTwoRawValues)
{
    EXPECT_EQ(decodeSplitAxis(QJsonValue("horizontal")).value(), SplitAxis::horizontal);
    EXPECT_EQ(decodeSplitAxis(QJsonValue("vertical")).value(), SplitAxis::vertical);
    EXPECT_FALSE(decodeSplitAxis(QJsonValue("Vertical")).ok());
    EXPECT_FALSE(decodeSplitAxis(QJsonValue(1)).ok());
}

TEST(SnapLayoutJson, AppsPresentAbsentAndEmpty)
{
    SnapLayout layout{"user-a", "Mine", H(0.5, L(0), L(1)), SnapLayout::AppMap{}};
    QByteArray text = compact(layout.toJson());
    EXPECT_TRUE(text.contains(R"("apps":{})")) << text.constData();
    auto back = SnapLayout::fromJson(QJsonDocument::fromJson(text).object());
    ASSERT_TRUE(back.ok());
    ASSERT_TRUE(back.value().apps.has_value());
    EXPECT_TRUE(back.value().apps->empty());

    layout.apps = SnapLayout::AppMap{{0, {"org.gnome.Terminal", "xterm"}}, {15, {"firefox"}}};
    text = compact(layout.toJson());
    EXPECT_TRUE(text.contains(R"("15":["firefox"])")) << text.constData();
    back = SnapLayout::fromJson(QJsonDocument::fromJson(text).object());
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back.value(), layout);
}

TEST(SnapLayoutJson, AppsAreReadLeniently)
{
    const char* tree = R"({"leaf":{"_0":0}})";
    auto withApps = [&](const char* apps) {
        const QByteArray text = QByteArray(R"({"id":"user-x","name":"X","tree":)") + tree + R"(,"apps":)" + apps + "}";
        auto d = SnapLayout::fromJson(QJsonDocument::fromJson(text).object());
        EXPECT_TRUE(d.ok()) << text.constData();
        return d.ok() ? d.value().apps : std::nullopt;
    };
    EXPECT_EQ(withApps(R"({"2":"org.kde.dolphin"})"), SnapLayout::AppMap({{2, {"org.kde.dolphin"}}}));
    EXPECT_EQ(withApps(R"({"1":["a","b"]})"), SnapLayout::AppMap({{1, {"a", "b"}}}));
    EXPECT_EQ(withApps("7"), std::nullopt);
    EXPECT_EQ(withApps("null"), std::nullopt);
    EXPECT_EQ(withApps(R"({"x":["a"]})"), std::nullopt);        // key is not a number
    EXPECT_EQ(withApps(R"({"1":["a"],"2":"b"})"), std::nullopt); // mixed shapes
    EXPECT_EQ(withApps(R"({"1":["a",3]})"), std::nullopt);

    // A malformed "apps" keeps the rest of the layout.
    auto d = decodeLayout(R"({"id":"user-x","name":"X","tree":{"leaf":{"_0":0}},"apps":7})");
    ASSERT_TRUE(d.ok());
    EXPECT_EQ(d.value().id, "user-x");
    EXPECT_EQ(d.value().name, "X");
    EXPECT_EQ(d.value().tree, L(0));
}

TEST(SnapLayoutJson, RequiredFields)
{
    EXPECT_FALSE(decodeLayout(R"({"name":"X","tree":{"leaf":{"_0":0}}})").ok());
    EXPECT_FALSE(decodeLayout(R"({"id":"a","tree":{"leaf":{"_0":0}}})").ok());
    EXPECT_FALSE(decodeLayout(R"({"id":"a","name":"X"})").ok());
    EXPECT_FALSE(decodeLayout(R"({"id":1,"name":"X","tree":{"leaf":{"_0":0}}})").ok());
    auto d = decodeLayout(R"({"id":"a","name":"X","tree":{}})");
    ASSERT_FALSE(d.ok());
    EXPECT_EQ(d.error(), kKeyCount);
}
