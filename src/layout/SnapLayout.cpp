// The built-in layouts, and layouts with their apps to and from JSON.
#include "layout/SnapLayout.h"

#include <QJsonArray>
#include <QRegularExpression>

namespace fw {

namespace {

RegionTree L(RegionNumber n) { return RegionTree::leaf(n); }

RegionTree H(double r, RegionTree a, RegionTree b)
{
    return RegionTree::split(SplitAxis::horizontal, r, std::move(a), std::move(b));
}

RegionTree V(double r, RegionTree a, RegionTree b)
{
    return RegionTree::split(SplitAxis::vertical, r, std::move(a), std::move(b));
}

SnapLayout builtIn(const char* id, const char* name, RegionTree tree)
{
    return SnapLayout{QString::fromUtf8(id), QString::fromUtf8(name), std::move(tree), std::nullopt};
}

// A map key as a region number: decimal text with an optional sign, nothing else.
std::optional<RegionNumber> regionKey(const QString& key)
{
    static const QRegularExpression re(QStringLiteral("^[+-]?[0-9]+$"));
    if (!re.match(key).hasMatch())
        return std::nullopt;
    bool ok = false;
    const qlonglong n = key.toLongLong(&ok);
    if (!ok)
        return std::nullopt;
    return RegionNumber(n);
}

// "apps" as region → list of texts, each entry's value read by `ids`; nothing when a key is not
// a region number or `ids` refuses a value.
template<typename ReadIds>
std::optional<SnapLayout::AppMap> appsByRegion(const QJsonValue& json, ReadIds ids)
{
    if (!json.isObject())
        return std::nullopt;
    SnapLayout::AppMap out;
    const QJsonObject obj = json.toObject();
    for (auto it = obj.begin(); it != obj.end(); ++it) {
        auto region = regionKey(it.key());
        if (!region)
            return std::nullopt;
        std::optional<QStringList> list = ids(it.value());
        if (!list)
            return std::nullopt;
        out[*region] = std::move(*list);
    }
    return out;
}

// "apps" as region → list of texts.
std::optional<SnapLayout::AppMap> appsAsLists(const QJsonValue& json)
{
    return appsByRegion(json, [](const QJsonValue& value) -> std::optional<QStringList> {
        if (!value.isArray())
            return std::nullopt;
        QStringList ids;
        for (const QJsonValue& v : value.toArray()) {
            if (!v.isString())
                return std::nullopt;
            ids.append(v.toString());
        }
        return ids;
    });
}

// "apps" as region → single text, each turned into a one-element list.
std::optional<SnapLayout::AppMap> appsAsSingles(const QJsonValue& json)
{
    return appsByRegion(json, [](const QJsonValue& value) -> std::optional<QStringList> {
        if (!value.isString())
            return std::nullopt;
        return QStringList{value.toString()};
    });
}

} // namespace

const std::vector<SnapLayout>& SnapLayout::builtIns()
{
    static const std::vector<SnapLayout> layouts = [] {
        const double third = 1.0 / 3.0;
        return std::vector<SnapLayout>{
            builtIn("halves", "Halves", H(0.5, L(0), L(1))),
            builtIn("thirds", "Three columns", H(third, L(0), H(0.5, L(1), L(2)))),
            builtIn("focus", "Wide + narrow", H(0.67, L(0), L(1))),
            builtIn("stack", "Main + stack", H(0.6, L(0), V(0.5, L(1), L(2)))),
            builtIn("quarters", "Four quarters", H(0.5, V(0.5, L(0), L(1)), V(0.5, L(2), L(3)))),
            builtIn("rows", "Two rows", V(0.5, L(0), L(1))),
            builtIn("thirds-left-stack", "Left stack + columns",
                    H(third, V(0.5, L(0), L(3)), H(0.5, L(1), L(2)))),
            builtIn("thirds-right-stack", "Columns + right stack",
                    H(third, L(0), H(0.5, L(1), V(0.5, L(2), L(3))))),
        };
    }();
    return layouts;
}

const SnapLayout* SnapLayout::builtInWithId(const QString& id)
{
    for (const SnapLayout& layout : builtIns()) {
        if (layout.id == id)
            return &layout;
    }
    return nullptr;
}

QJsonObject SnapLayout::toJson() const
{
    QJsonObject obj;
    obj.insert(QStringLiteral("id"), id);
    obj.insert(QStringLiteral("name"), name);
    obj.insert(QStringLiteral("tree"), tree.toJson());
    if (apps) {
        QJsonObject map;
        for (const auto& [region, ids] : *apps)
            map.insert(QString::number(region), QJsonArray::fromStringList(ids));
        obj.insert(QStringLiteral("apps"), map);
    }
    return obj;
}

Decoded<SnapLayout> SnapLayout::fromJson(const QJsonValue& json)
{
    using R = Decoded<SnapLayout>;
    if (!json.isObject())
        return R::failure(QStringLiteral("Expected to decode a layout object but found something else."));
    const QJsonObject obj = json.toObject();

    SnapLayout layout;
    for (auto [key, field] : {std::pair{"id", &layout.id}, std::pair{"name", &layout.name}}) {
        const QString k = QLatin1String(key);
        if (!obj.contains(k))
            return R::failure(QStringLiteral("No value associated with key \"%1\".").arg(k));
        const QJsonValue v = obj.value(k);
        if (!v.isString())
            return R::failure(QStringLiteral("Expected to decode String but found another type at \"%1\".").arg(k));
        *field = v.toString();
    }
    if (!obj.contains(QLatin1String("tree")))
        return R::failure(QStringLiteral("No value associated with key \"tree\"."));
    auto tree = RegionTree::fromJson(obj.value(QLatin1String("tree")));
    if (!tree)
        return R::failure(tree.error());
    layout.tree = std::move(tree).value();

    const QJsonValue apps = obj.value(QLatin1String("apps"));
    if (auto lists = appsAsLists(apps))
        layout.apps = std::move(lists);
    else if (auto singles = appsAsSingles(apps))
        layout.apps = std::move(singles);
    return R::success(std::move(layout));
}

} // namespace fw
