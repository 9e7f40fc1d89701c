// Region trees as immutable split trees: building, querying, splitting and merging regions, and their
// JSON form with validation.
#include "layout/RegionTree.h"

#include <QJsonArray>

#include <cmath>
#include <set>

namespace fw {

struct RegionTree::Node {
    bool leaf = true;
    RegionNumber region = 0;
    SplitAxis axis = SplitAxis::horizontal;
    double ratio = 0;
    // Empty (null node) in leaves, so that making a node never makes another.
    RegionTree first{nullptr};
    RegionTree second{nullptr};
};

// --- SplitAxis ---

QString rawValue(SplitAxis axis)
{
    return axis == SplitAxis::horizontal ? QStringLiteral("horizontal") : QStringLiteral("vertical");
}

std::optional<SplitAxis> splitAxisFromRawValue(const QString& raw)
{
    if (raw == QLatin1String("horizontal"))
        return SplitAxis::horizontal;
    if (raw == QLatin1String("vertical"))
        return SplitAxis::vertical;
    return std::nullopt;
}

QJsonValue toJson(SplitAxis axis) { return rawValue(axis); }

namespace {

QString jsonTypeName(const QJsonValue& v)
{
    switch (v.type()) {
    case QJsonValue::Null: return QStringLiteral("null");
    case QJsonValue::Bool: return QStringLiteral("a boolean");
    case QJsonValue::Double: return QStringLiteral("a number");
    case QJsonValue::String: return QStringLiteral("a string");
    case QJsonValue::Array: return QStringLiteral("an array");
    case QJsonValue::Object: return QStringLiteral("an object");
    case QJsonValue::Undefined: break;
    }
    return QStringLiteral("nothing");
}

QString typeMismatch(const QString& expected, const QJsonValue& found, const QString& at)
{
    return QStringLiteral("Expected to decode %1 but found %2 instead (at %3).")
        .arg(expected, jsonTypeName(found), at);
}

QString missingKey(const QString& key, const QString& at)
{
    return QStringLiteral("No value associated with key \"%1\" (at %2).").arg(key, at);
}

QString joinPath(const QString& at, const QString& key)
{
    return at.isEmpty() ? key : at + QLatin1Char('.') + key;
}

Decoded<SplitAxis> decodeAxisAt(const QJsonValue& json, const QString& at)
{
    if (!json.isString())
        return Decoded<SplitAxis>::failure(typeMismatch(QStringLiteral("String"), json, at));
    if (auto axis = splitAxisFromRawValue(json.toString()))
        return Decoded<SplitAxis>::success(*axis);
    return Decoded<SplitAxis>::failure(
        QStringLiteral("Cannot initialize SplitAxis from invalid String value %1 (at %2).")
            .arg(json.toString(), at));
}

// A JSON number that is a whole number within 64 bits.
std::optional<std::int64_t> exactInteger(const QJsonValue& v)
{
    if (!v.isDouble())
        return std::nullopt;
    const qint64 a = v.toInteger(0);
    const qint64 b = v.toInteger(1);
    if (a != b) // the two defaults differ: not representable
        return std::nullopt;
    return a;
}

Decoded<RegionTree> decodeTreeAt(const QJsonValue& json, const QString& at)
{
    using R = Decoded<RegionTree>;
    if (!json.isObject())
        return R::failure(typeMismatch(QStringLiteral("an object"), json, at.isEmpty() ? QStringLiteral("top level") : at));
    const QJsonObject outer = json.toObject();
    const bool hasLeaf = outer.contains(QLatin1String("leaf"));
    const bool hasSplit = outer.contains(QLatin1String("split"));
    if (hasLeaf == hasSplit)
        return R::failure(QStringLiteral("Invalid number of keys found, expected one."));

    const QString caseKey = hasLeaf ? QStringLiteral("leaf") : QStringLiteral("split");
    const QString casePath = joinPath(at, caseKey);
    const QJsonValue payloadValue = outer.value(caseKey);
    if (!payloadValue.isObject())
        return R::failure(typeMismatch(QStringLiteral("an object"), payloadValue, casePath));
    const QJsonObject payload = payloadValue.toObject();

    auto field = [&](const char* key, QJsonValue& out) {
        const QString k = QLatin1String(key);
        if (!payload.contains(k))
            return false;
        out = payload.value(k);
        return true;
    };

    QJsonValue v0;
    if (!field("_0", v0))
        return R::failure(missingKey(QStringLiteral("_0"), casePath));
    const QString p0 = joinPath(casePath, QStringLiteral("_0"));

    if (hasLeaf) {
        auto n = exactInteger(v0);
        if (!n)
            return R::failure(typeMismatch(QStringLiteral("Int"), v0, p0));
        return R::success(RegionTree::leaf(*n));
    }

    auto axis = decodeAxisAt(v0, p0);
    if (!axis)
        return R::failure(axis.error());
    QJsonValue v1, v2, v3;
    if (!field("_1", v1))
        return R::failure(missingKey(QStringLiteral("_1"), casePath));
    if (!v1.isDouble())
        return R::failure(typeMismatch(QStringLiteral("Double"), v1, joinPath(casePath, QStringLiteral("_1"))));
    if (!field("_2", v2))
        return R::failure(missingKey(QStringLiteral("_2"), casePath));
    auto first = decodeTreeAt(v2, joinPath(casePath, QStringLiteral("_2")));
    if (!first)
        return first;
    if (!field("_3", v3))
        return R::failure(missingKey(QStringLiteral("_3"), casePath));
    auto second = decodeTreeAt(v3, joinPath(casePath, QStringLiteral("_3")));
    if (!second)
        return second;
    return R::success(RegionTree::split(axis.value(), v1.toDouble(), std::move(first).value(),
                                        std::move(second).value()));
}

void collectRegions(const RegionTree& t, std::vector<RegionNumber>& out)
{
    if (t.isLeaf()) {
        out.push_back(t.region());
        return;
    }
    collectRegions(t.first(), out);
    collectRegions(t.second(), out);
}

// Validity, collecting the region numbers of the subtree on success.
bool validate(const RegionTree& t, std::set<RegionNumber>& regions)
{
    if (t.isLeaf()) {
        if (t.region() < 0 || t.region() > 15)
            return false;
        regions.insert(t.region());
        return true;
    }
    const double r = t.ratio();
    if (!std::isfinite(r) || r < 0.08 || r > 0.92)
        return false;
    std::set<RegionNumber> a, b;
    if (!validate(t.first(), a) || !validate(t.second(), b))
        return false;
    for (RegionNumber n : a) {
        if (b.count(n))
            return false;
    }
    regions.insert(a.begin(), a.end());
    regions.insert(b.begin(), b.end());
    return true;
}

} // namespace

Decoded<SplitAxis> decodeSplitAxis(const QJsonValue& json)
{
    return decodeAxisAt(json, QStringLiteral("top level"));
}

// --- RegionTree ---

RegionTree::RegionTree()
{
    static const std::shared_ptr<const Node> leafZero = std::make_shared<const Node>();
    node_ = leafZero;
}

RegionTree::RegionTree(std::shared_ptr<const Node> node) : node_(std::move(node)) {}

RegionTree RegionTree::leaf(RegionNumber region)
{
    auto n = std::make_shared<Node>();
    n->region = region;
    return RegionTree(std::move(n));
}

RegionTree RegionTree::split(SplitAxis axis, double ratio, RegionTree first, RegionTree second)
{
    auto n = std::make_shared<Node>();
    n->leaf = false;
    n->axis = axis;
    n->ratio = ratio;
    n->first = std::move(first);
    n->second = std::move(second);
    return RegionTree(std::move(n));
}

bool RegionTree::isLeaf() const { return node_->leaf; }
RegionNumber RegionTree::region() const { return node_->leaf ? node_->region : 0; }
SplitAxis RegionTree::axis() const { return node_->axis; }
double RegionTree::ratio() const { return node_->ratio; }
const RegionTree& RegionTree::first() const { return node_->leaf ? *this : node_->first; }
const RegionTree& RegionTree::second() const { return node_->leaf ? *this : node_->second; }

std::vector<RegionNumber> RegionTree::regionNumbers() const
{
    std::vector<RegionNumber> out;
    collectRegions(*this, out);
    return out;
}

bool RegionTree::containsRegion(RegionNumber region) const
{
    if (isLeaf())
        return node_->region == region;
    return node_->first.containsRegion(region) || node_->second.containsRegion(region);
}

bool RegionTree::isValid() const
{
    std::set<RegionNumber> regions;
    return validate(*this, regions);
}

bool operator==(const RegionTree& a, const RegionTree& b)
{
    const auto& x = *a.node_;
    const auto& y = *b.node_;
    if (x.leaf != y.leaf)
        return false;
    if (x.leaf)
        return x.region == y.region;
    return x.axis == y.axis && x.ratio == y.ratio && x.first == y.first && x.second == y.second;
}

RegionTree RegionTree::replacing(RegionNumber region, const RegionTree& with) const
{
    if (isLeaf())
        return node_->region == region ? with : *this;
    if (!containsRegion(region))
        return *this; // keep the shared subtree
    return split(node_->axis, node_->ratio, node_->first.replacing(region, with),
                 node_->second.replacing(region, with));
}

std::optional<RegionTree> RegionTree::mergingPair(RegionNumber of) const
{
    if (isLeaf())
        return std::nullopt;
    const auto& a = node_->first;
    const auto& b = node_->second;
    if (a.isLeaf() && b.isLeaf() && (a.region() == of || b.region() == of))
        return leaf(of);
    if (auto merged = a.mergingPair(of))
        return split(node_->axis, node_->ratio, std::move(*merged), b);
    if (auto merged = b.mergingPair(of))
        return split(node_->axis, node_->ratio, a, std::move(*merged));
    return std::nullopt;
}

QJsonObject RegionTree::toJson() const
{
    QJsonObject payload;
    if (isLeaf()) {
        payload.insert(QStringLiteral("_0"), QJsonValue(qint64(node_->region)));
        return QJsonObject{{QStringLiteral("leaf"), payload}};
    }
    payload.insert(QStringLiteral("_0"), rawValue(node_->axis));
    payload.insert(QStringLiteral("_1"), node_->ratio);
    payload.insert(QStringLiteral("_2"), node_->first.toJson());
    payload.insert(QStringLiteral("_3"), node_->second.toJson());
    return QJsonObject{{QStringLiteral("split"), payload}};
}

Decoded<RegionTree> RegionTree::fromJson(const QJsonValue& json)
{
    return decodeTreeAt(json, QString());
}

QString RegionTree::description() const
{
    if (isLeaf())
        return QString::number(node_->region);
    return QStringLiteral("split(%1, %2, %3, %4)")
        .arg(node_->axis == SplitAxis::horizontal ? QStringLiteral("h") : QStringLiteral("v"),
             formatNumber(node_->ratio), node_->first.description(), node_->second.description());
}

} // namespace fw
