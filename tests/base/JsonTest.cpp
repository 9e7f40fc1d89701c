#include "base/Json.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

using namespace fw;

TEST(CanonicalJson, EqualValuesGiveEqualBytes)
{
    const QJsonObject a{{"name", "Two"}, {"tree", QJsonObject{{"split", QJsonObject{{"_1", 0.5}, {"_0", "h"}}}}}};
    EXPECT_EQ(canonicalJson(a), R"({"name":"Two","tree":{"split":{"_0":"h","_1":0.5}}})");
    // Key order of construction and number representation do not matter.
    QJsonObject b;
    b.insert("tree", QJsonObject{{"split", QJsonObject{{"_0", "h"}, {"_1", 0.5}}}});
    b.insert("name", "Two");
    EXPECT_EQ(canonicalJson(a), canonicalJson(b));
    EXPECT_EQ(canonicalJson(QJsonArray{1, 1.0, -0.0, 0}), "[1,1,0,0]");
    // Qt's compact writer agrees on key order for objects.
    EXPECT_EQ(QJsonDocument(a).toJson(QJsonDocument::Compact), canonicalJson(a));
}

TEST(CanonicalJson, NumbersStringsAndScalars)
{
    EXPECT_EQ(canonicalJson(0.1), "0.1");
    EXPECT_EQ(canonicalJson(1.0 / 3), "0.3333333333333333");
    EXPECT_EQ(canonicalJson(-12), "-12");
    EXPECT_EQ(canonicalJson(9007199254740992.0), "9007199254740992");
    EXPECT_EQ(canonicalJson(1e300), "1e+300");
    EXPECT_EQ(canonicalJson(std::numeric_limits<double>::quiet_NaN()), "null");
    EXPECT_EQ(canonicalJson(std::numeric_limits<double>::infinity()), "null");
    EXPECT_EQ(canonicalJson(true), "true");
    EXPECT_EQ(canonicalJson(QJsonValue()), "null");
    EXPECT_EQ(canonicalJson(QStringLiteral("a\"b\\c\nd\x01/é–")), "\"a\\\"b\\\\c\\nd\\u0001/é–\"");
    EXPECT_EQ(canonicalJson(QJsonObject{}), "{}");
    EXPECT_EQ(canonicalJson(QJsonArray{}), "[]");
    // Keys sort by UTF-16 code units: uppercase before lowercase, non-ASCII last.
    EXPECT_EQ(canonicalJson(QJsonObject{{"b", 1}, {"é", 2}, {"B", 3}, {"a", 4}}), R"({"B":3,"a":4,"b":1,"é":2})");
    // The output parses back to the same value.
    const QJsonObject nested{{"x", QJsonArray{QJsonObject{{"k", "v\t"}}, 2.5, false}}};
    EXPECT_EQ(QJsonDocument::fromJson(canonicalJson(nested)).object(), nested);
}

TEST(OrderedJson, NamedKeysFirstInTheirOrderAtEveryDepthThenTheRestSorted)
{
    const QJsonObject record{{"fits", true}, {"app", "Mail"}, {"region", 1}, {"zeta", 0}, {"actual", QJsonArray{}}};
    const QJsonObject document{{"list", QJsonArray{record, QJsonObject{}}}, {"pid", 7}, {"empty", QJsonObject{}}};
    const QByteArray bytes = orderedJson(document, {"pid", "list", "region", "app", "actual", "fits"});
    EXPECT_EQ(bytes, "{\n"
                     "    \"pid\": 7,\n"
                     "    \"list\": [\n"
                     "        {\n"
                     "            \"region\": 1,\n"
                     "            \"app\": \"Mail\",\n"
                     "            \"actual\": [],\n"
                     "            \"fits\": true,\n"
                     "            \"zeta\": 0\n"
                     "        },\n"
                     "        {}\n"
                     "    ],\n"
                     "    \"empty\": {}\n"
                     "}\n");
    EXPECT_EQ(QJsonDocument::fromJson(bytes).object(), document);
}
