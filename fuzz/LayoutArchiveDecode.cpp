// Layout files from untrusted bytes: reading must refuse cleanly or give layouts that keep
// every limit, that export and read back unchanged, and that a second merge adds nothing.
#include "layout/LayoutArchive.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>

using namespace fw;

namespace {

void check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "layout file check failed: %s\n", what);
        std::abort();
    }
}

int nodeCount(const RegionTree& tree)
{
    return tree.isLeaf() ? 1 : 1 + nodeCount(tree.first()) + nodeCount(tree.second());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    std::vector<SnapLayout> layouts;
    try {
        layouts = LayoutArchive::decode(bytes);
    } catch (const LayoutArchive::ArchiveError& e) {
        check(!e.message().isEmpty(), "refusal without a message");
        return 0;
    } catch (const LayoutArchive::JsonError&) {
        return 0;
    }

    check(!layouts.empty() && layouts.size() <= 128, "layout count");
    for (const SnapLayout& layout : layouts) {
        check(layout.tree.isValid(), "tree validity");
        check(nodeCount(layout.tree) <= LayoutArchive::maxNodes, "node count");
        check(layout.id.startsWith(QLatin1String("user-import-")) && layout.id.size() == 12 + 64, "id form");
        check(layout.id == LayoutArchive::importedId(layout.name, layout.tree), "id from content");
        check(LayoutArchive::isValidName(layout.name) == layout.name, "name trimmed and valid");
        check(!layout.apps.has_value(), "no apps");
    }

    try {
        const auto again = LayoutArchive::decode(LayoutArchive::encode(layouts));
        check(again == layouts, "export reads back unchanged");
    } catch (const LayoutArchive::ArchiveError& e) {
        // Pretty-printing can push a file near the limit over it.
        check(e.message() == QLatin1String("This layout file is too large."), "export refused");
    }

    const auto first = LayoutArchive::merge(layouts, {});
    check(first.added + first.skipped == int(layouts.size()), "merge counts");
    std::set<QString> ids;
    for (const SnapLayout& layout : first.layouts) {
        check(ids.insert(layout.id).second, "merged ids unique");
        check(LayoutArchive::fitsNameBounds(layout.name), "merged name within the name bounds");
    }
    const auto second = LayoutArchive::merge(layouts, first.layouts);
    check(second.added == 0 && second.skipped == int(layouts.size()), "second merge adds nothing");
    return 0;
}
