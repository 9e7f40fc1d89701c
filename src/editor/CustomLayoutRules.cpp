// The custom layout editor's rules without widgets: "Start from" entries, initial content, status
// texts, the selected region's app menu and the layout a save produces (or why it cannot).
#include "editor/CustomLayoutRules.h"

#include "editor/CanvasGeometry.h"
#include "layout/LayoutArchive.h"
#include "snap/AppNames.h"

#include <QUuid>
#include <algorithm>
#include <iterator>

namespace fw::editor {

QString newIdentifier()
{
    return QStringLiteral("user-") + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper();
}

std::vector<SnapLayout> starters(const std::optional<SnapLayout>& editing, const std::vector<SnapLayout>& given)
{
    std::vector<SnapLayout> list;
    list.push_back(SnapLayout{QStringLiteral("blank"), QStringLiteral("Blank canvas"), RegionTree::leaf(0), std::nullopt});
    if (editing)
        list.push_back(SnapLayout{editing->id, editing->name + QStringLiteral(" (as saved)"), editing->tree, editing->apps});
    for (const SnapLayout& layout : given) {
        if (!editing || layout.id != editing->id)
            list.push_back(layout);
    }
    return list;
}

int starterIndex(const std::vector<SnapLayout>& starters, const RegionTree& tree)
{
    const auto it = std::find_if(starters.begin(), starters.end(), [&](const SnapLayout& s) { return s.tree == tree; });
    return it == starters.end() ? 0 : int(it - starters.begin());
}

Content initialContent(const std::optional<SnapLayout>& editing, const std::optional<SnapLayout>& current)
{
    const std::optional<SnapLayout>& from = editing ? editing : current;
    if (from)
        return Content{from->tree, from->apps.value_or(SnapLayout::AppMap{})};
    return Content{SnapLayout::builtIns().front().tree, {}};
}

Status status(const CustomLayoutDraft& draft)
{
    const auto rects = draft.tree.unitRects(canvas::unitSquare());
    const auto found = rects.find(draft.selectedRegion);
    const Rect selected = found == rects.end() ? Rect() : found->second;
    const bool room = rects.size() < 16;
    Status s;
    s.leftRight = room && selected.width() >= 0.16;
    s.topBottom = room && selected.height() >= 0.16;
    s.merge = draft.tree.mergingPair(draft.selectedRegion).has_value();
    s.undo = !draft.undoTrees.empty();
    s.redo = !draft.redoTrees.empty();
    s.message = QStringLiteral("%1 regions · Region %2 selected. Saving alone leaves your windows in place.")
                    .arg(rects.size())
                    .arg(canvas::shownNumber(draft.tree, draft.selectedRegion));
    s.appLabel = QStringLiteral("App in Region %1").arg(canvas::shownNumber(draft.tree, draft.selectedRegion));
    return s;
}

SnapLayout::AppMap keepingRegions(const SnapLayout::AppMap& apps, const RegionTree& tree)
{
    SnapLayout::AppMap kept;
    for (const auto& [region, ids] : apps) {
        if (tree.containsRegion(region))
            kept.emplace(region, ids);
    }
    return kept;
}

std::vector<ApplicationEntry> chooserApplications(const std::vector<ApplicationEntry>& installed)
{
    std::vector<ApplicationEntry> out;
    std::copy_if(installed.begin(), installed.end(), std::back_inserter(out),
                 [](const ApplicationEntry& e) { return e.listed && !e.name.isEmpty(); });
    std::sort(out.begin(), out.end(), [](const ApplicationEntry& a, const ApplicationEntry& b) {
        const int byName = a.name.compare(b.name, Qt::CaseInsensitive);
        return byName != 0 ? byName < 0 : a.id < b.id;
    });
    return out;
}

std::vector<ApplicationEntry> filteredApplications(const std::vector<ApplicationEntry>& listed, const QString& typed)
{
    const QStringList words = typed.split(u' ', Qt::SkipEmptyParts);
    std::vector<ApplicationEntry> out;
    std::copy_if(listed.begin(), listed.end(), std::back_inserter(out), [&](const ApplicationEntry& e) {
        return std::all_of(words.begin(), words.end(), [&](const QString& w) {
            return e.name.contains(w, Qt::CaseInsensitive) || e.id.contains(w, Qt::CaseInsensitive);
        });
    });
    return out;
}

namespace {
// The desktop entry's file, which tells entries of one name apart.
QString entryFile(const QString& id) { return id + u".desktop"_qs; }
} // namespace

QString chooserDistinction(const std::vector<ApplicationEntry>& listed, const ApplicationEntry& entry)
{
    bool shared = false, commentShared = entry.comment.isEmpty();
    for (const ApplicationEntry& other : listed) {
        if (other.id == entry.id || other.name.compare(entry.name, Qt::CaseInsensitive) != 0)
            continue;
        shared = true;
        commentShared = commentShared || other.comment.compare(entry.comment, Qt::CaseInsensitive) == 0;
    }
    if (!shared)
        return {};
    return commentShared ? entryFile(entry.id) : entry.comment;
}

AppMenu appMenu(const QStringList& current, const QStringList& running)
{
    AppMenu menu;
    menu.noAppOn = current.isEmpty();
    menu.title = current.isEmpty() ? QStringLiteral("No App") : appNames(current).join(QStringLiteral(", "));
    QStringList ids;
    for (const QString& id : running + current) {
        if (!id.isEmpty() && !ids.contains(id))
            ids << id;
    }
    std::stable_sort(ids.begin(), ids.end(), AppNames::displayNameOrder);
    for (const QString& id : ids)
        menu.items.push_back({id, AppNames::displayName(id), current.contains(id)});
    // Entries of one name (the user's own beside the system's) are told apart by their files,
    // as "Choose an App" tells them.
    std::vector<QString> names;
    for (const AppMenu::Item& item : menu.items)
        names.push_back(item.name);
    for (AppMenu::Item& item : menu.items) {
        const auto same = std::count_if(names.begin(), names.end(),
                                        [&](const QString& n) { return n.compare(item.name, Qt::CaseInsensitive) == 0; });
        if (same > 1)
            item.name += u" — "_qs + entryFile(item.id);
    }
    return menu;
}

SnapLayout::AppMap toggledApp(SnapLayout::AppMap apps, RegionNumber region, const QString& id)
{
    QStringList& list = apps[region];
    if (list.removeAll(id) == 0)
        list << id;
    if (list.isEmpty())
        apps.erase(region);
    return apps;
}

SnapLayout::AppMap addedApp(SnapLayout::AppMap apps, RegionNumber region, const QString& id)
{
    QStringList& list = apps[region];
    if (!list.contains(id))
        list << id;
    return apps;
}

QString nameMessage() { return QStringLiteral("Give your layout a name between 1 and 60 characters."); }

std::variant<SnapLayout, QString> savedLayout(const QString& identifier, const QString& nameText,
                                              const RegionTree& tree, const SnapLayout::AppMap& apps)
{
    QString name;
    try {
        name = LayoutArchive::isValidName(nameText);
    } catch (const LayoutArchive::ArchiveError& error) {
        // Empty or over 60 characters is the editor's own message; a name within 60 characters
        // that the shared rules still refuse (control characters, too much in one character)
        // gets the rules' message, the same one import and the store give.
        const qsizetype count = LayoutArchive::characterCount(nameText.trimmed());
        return count == 0 || count > 60 ? nameMessage() : error.message();
    }
    SnapLayout::AppMap kept;
    for (const auto& [region, ids] : keepingRegions(apps, tree)) {
        if (!ids.isEmpty())
            kept.emplace(region, ids);
    }
    return SnapLayout{identifier, name, tree, kept.empty() ? std::nullopt : std::optional(kept)};
}

QString windowTitle(const std::optional<SnapLayout>& editing, const QString& displayName)
{
    return (editing ? QStringLiteral("Edit Layout — ") : QStringLiteral("Create Custom Layout — ")) + displayName;
}

QString heading(const std::optional<SnapLayout>& editing)
{
    return editing ? QStringLiteral("Edit “%1”").arg(editing->name) : QStringLiteral("Design your layout");
}

QString saveTitle(const std::optional<SnapLayout>& editing)
{
    return editing ? QStringLiteral("Save Changes") : QStringLiteral("Save Layout");
}

QString deleteQuestion(const SnapLayout& editing) { return QStringLiteral("Delete “%1”?").arg(editing.name); }

} // namespace fw::editor
