#pragma once
// The rules of the custom layout editor window, apart from its widgets: the "Start from"
// entries, the content a new or edited layout starts with, what the status update enables
// and says, the applications pull-down of the selected region, the changes it makes to a
// region's list, and the layout a save hands on (or why it cannot).

#include "layout/CustomLayoutDraft.h"
#include "layout/SnapLayout.h"
#include "platform/Applications.h"

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>
#include <vector>

namespace fw {

namespace editor {

// "user-" and a new upper-case UUID.
QString newIdentifier();

// "Blank canvas" (id "blank", one region 0); when editing, the edited layout titled
// "<name> (as saved)"; then every given layout whose id is not the edited one's.
std::vector<SnapLayout> starters(const std::optional<SnapLayout>& editing, const std::vector<SnapLayout>& given);
// The first starter whose tree equals the tree; 0 when none does.
int starterIndex(const std::vector<SnapLayout>& starters, const RegionTree& tree);

struct Content {
    RegionTree tree;
    SnapLayout::AppMap apps;
};
// The edited layout's tree and apps; else the display's current layout's; else the first
// built-in layout's tree without apps.
Content initialContent(const std::optional<SnapLayout>& editing, const std::optional<SnapLayout>& current);

struct Status {
    bool leftRight = false;
    bool topBottom = false;
    bool merge = false;
    bool undo = false;
    bool redo = false;
    QString message; // "3 regions · Region 2 selected. Saving alone leaves your windows in place."
    QString appLabel; // "App in Region 2"
};
Status status(const CustomLayoutDraft& draft);

// The map without entries for regions the tree lacks.
SnapLayout::AppMap keepingRegions(const SnapLayout::AppMap& apps, const RegionTree& tree);

// The applications pull-down of one region.
struct AppMenu {
    struct Item {
        QString id;
        QString name;
        bool on = false;
    };
    QString title;       // "No App" or the region's names joined with ", "
    bool noAppOn = false;
    std::vector<Item> items; // running and chosen applications, each once, sorted by name
};
// `current`: the region's list; `running`: the running applications' ids.
AppMenu appMenu(const QStringList& current, const QStringList& running);

// The id removed from the region's list when it is there (dropping an emptied entry),
// otherwise appended.
SnapLayout::AppMap toggledApp(SnapLayout::AppMap apps, RegionNumber region, const QString& id);
// The id appended to the region's list unless it is there already.
SnapLayout::AppMap addedApp(SnapLayout::AppMap apps, RegionNumber region, const QString& id);

// The applications "Other App…" offers: those launchers list, by name (case-insensitively,
// then id); of them, those whose name or id holds every word typed, case-insensitively.
std::vector<ApplicationEntry> chooserApplications(const std::vector<ApplicationEntry>& installed);
std::vector<ApplicationEntry> filteredApplications(const std::vector<ApplicationEntry>& listed, const QString& typed);
// What tells an offered application apart from the others of its name (compared
// case-insensitively): its comment when no other one of that name has the same, else its
// file ("xterm.desktop"); empty when no other one has its name.
QString chooserDistinction(const std::vector<ApplicationEntry>& listed, const ApplicationEntry& entry);

// The status line's text for a name that cannot be saved.
QString nameMessage();
// The layout a save hands on, or nameMessage() when the trimmed name is refused (blank, over
// 60 user-perceived characters, control characters). Applications only for regions of the
// tree that have some; none at all when nothing remains.
std::variant<SnapLayout, QString> savedLayout(const QString& identifier, const QString& nameText,
                                              const RegionTree& tree, const SnapLayout::AppMap& apps);

// Window titles and texts that depend on creating or editing.
QString windowTitle(const std::optional<SnapLayout>& editing, const QString& displayName);
QString heading(const std::optional<SnapLayout>& editing);
QString saveTitle(const std::optional<SnapLayout>& editing);
QString deleteQuestion(const SnapLayout& editing);

} // namespace editor

} // namespace fw
