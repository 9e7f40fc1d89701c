// Layout files through their panels: what the export panel offers, and the one line each
// export and import ends with, for every way a file can be refused. Reading never blocks on
// a FIFO or device and never reads more than one byte past the size limit, nor does a panel
// open on a FIFO in place of Qt's own settings file.
#include "EditorFixture.h"

#include "editor/CustomLayoutActions.h"
#include "editor/LayoutFiles.h"
#include "editor/qt/FileDialogs.h"
#include "editor/qt/LayoutFileController.h"
#include "layout/LayoutArchive.h"
#include "support/FifoWatch.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QTreeView>

#include <sys/stat.h>
#include <unistd.h>

namespace fw {
namespace {

using test::EditorFixture;

QByteArray fileWith(const QString& layouts)
{
    return QStringLiteral(R"({"format": "orrindale.Framewell.layouts", "version": 1, "layouts": [%1]})").arg(layouts).toUtf8();
}
const QString wide = R"({"name": "Wide", "tree": {"axis": "columns", "ratio": 0.7, "first": {"region": 0}, "second": {"region": 1}}})";

struct Files : EditorFixture {
    LayoutFileController files{store, screens, clock, [this](const QString& text) { reports.push_back(text); }};

    QString write(const QString& name, const QByteArray& data)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(data);
        return path;
    }
    // Chooses the path in the open panel and confirms it; the report that follows.
    QString confirm(const QString& path)
    {
        QFileDialog* panel = files.filePanel();
        EXPECT_TRUE(panel);
        if (!panel)
            return {};
        panel->selectFile(path);
        static_cast<QDialog*>(panel)->accept(); // the dialog's own accept, as its button runs it
        EXPECT_FALSE(files.filePanel());
        return reports.empty() ? QString() : reports.back();
    }
    QString importThroughPanel(const QString& path)
    {
        files.importLayouts(key);
        return confirm(path);
    }
};

TEST_F(Files, ExportOffersSavedLayoutsTheCompositionAndEachLayoutMarkingAdjustedOnes)
{
    const SnapLayout halves = SnapLayout::builtIns().front();
    SnapLayout adjusted = halves;
    adjusted.tree = H(0.6, L(0), L(1));
    const SnapLayout mine{"user-1", "Mine", V(0.5, L(0), L(1)), SnapLayout::AppMap{{0, {"mail"}}}};
    ASSERT_TRUE(store.upsertCustom(mine, key));

    const auto choices = layoutfiles::exportChoices(store, key, adjusted);
    ASSERT_GE(choices.size(), 3 + SnapLayout::builtIns().size());
    EXPECT_EQ(choices[0], (layoutfiles::ExportChoice{"All saved custom layouts (1)", {mine}}));
    EXPECT_EQ(choices[1], (layoutfiles::ExportChoice{"Current composition — Halves", {adjusted}}));
    EXPECT_EQ(choices[2], (layoutfiles::ExportChoice{"Halves", {halves}}));
    QStringList titles;
    for (const auto& c : choices)
        titles << c.title;
    EXPECT_TRUE(titles.contains("Mine"));
    EXPECT_EQ(titles.last(), "Adjusted: Halves");

    // Without custom layouts or a composition: one choice per layout, the first selected.
    store.deleteCustom(mine.id, key);
    files.exportLayouts(key, std::nullopt);
    QFileDialog* panel = files.filePanel();
    ASSERT_TRUE(panel);
    EXPECT_EQ(panel->windowTitle(), "Export Layouts");
    EXPECT_EQ(fileDialogMessage(panel), "Choose layouts from Studio Display to use on another computer.");
    EXPECT_EQ(panel->acceptMode(), QFileDialog::AcceptSave);
    QComboBox* menu = files.exportChoiceMenu();
    ASSERT_TRUE(menu);
    EXPECT_EQ(menu->count(), int(SnapLayout::builtIns().size()));
    EXPECT_EQ(menu->itemText(0), "Halves");
    EXPECT_EQ(menu->currentIndex(), 0);
    EXPECT_EQ(menu->parentWidget()->size(), QSize(430, 70));
    EXPECT_EQ(menu->geometry(), QRect(60, 6, 370, 28));

    // While it is open, asking for the import panel only brings it forward.
    files.importLayouts(key);
    EXPECT_EQ(files.filePanel(), panel);

    menu->setCurrentIndex(1);
    const QString path = dir.filePath("one.framewell.json");
    EXPECT_EQ(confirm(path), "Exported 1 layout to one.framewell.json.");
    const auto back = LayoutArchive::decode([&] {
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }());
    ASSERT_EQ(back.size(), 1u);
    EXPECT_EQ(back[0].tree, SnapLayout::builtIns()[1].tree);
}

TEST_F(Files, EveryRefusedExportReportsWhy)
{
    std::vector<SnapLayout> many;
    for (int i = 0; i < 129; ++i)
        many.push_back(SnapLayout{QStringLiteral("user-%1").arg(i), QStringLiteral("L%1").arg(i), L(0), std::nullopt});
    const SnapLayout control{"user-c", QStringLiteral("Bad") + QChar(7), L(0), std::nullopt};
    write("file", "x");
    const struct {
        std::vector<SnapLayout> layouts;
        QString path;
        QString report;
    } cases[] = {
        {many, dir.filePath("many.json"), "Couldn’t export layouts: Choose between 1 and 128 layouts to export."},
        {{control}, dir.filePath("c.json"),
         "Couldn’t export layouts: Layout names must be 1–60 characters without control characters."},
        {{many[0]}, dir.filePath("file/below.json"), "Couldn’t export layouts: cannot create directory " + dir.filePath("file")},
        {{many[0], many[1]}, dir.filePath("two.json"), "Exported 2 layouts to two.json."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(layoutfiles::exportLayouts(c.layouts, c.path), c.report);

    // Through the panel: the saved custom layouts are more than a file may hold.
    for (const auto& l : many)
        ASSERT_TRUE(store.upsertCustom(l, key));
    files.exportLayouts(key, std::nullopt);
    EXPECT_EQ(files.exportChoiceMenu()->itemText(0), "All saved custom layouts (129)");
    EXPECT_EQ(confirm(dir.filePath("all.json")), "Couldn’t export layouts: Choose between 1 and 128 layouts to export.");
    EXPECT_FALSE(QFile::exists(dir.filePath("all.json")));
}

TEST_F(Files, EveryRefusedImportReportsWhyAndChangesNothing)
{
    // FIFOs in place of the settings file Qt's panel reads and of its lock (Qt learns where
    // they are at its first panel, this one): the panel opens without touching them.
    const QByteArray oldConfig = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(dir.filePath("config")));
    ASSERT_TRUE(QDir().mkpath(dir.filePath("config")));
    const QStringList qtFiles{dir.filePath("config/QtProject.conf"), dir.filePath("config/QtProject.conf.lock")};
    for (const QString& path : qtFiles)
        ASSERT_EQ(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    test::FifoWatch watch(qtFiles);

    QByteArray exactlyOneMegabyte = fileWith(wide);
    exactlyOneMegabyte.append(QByteArray(LayoutArchive::maxBytes - exactlyOneMegabyte.size(), ' '));
    const QString deep = [] {
        QString tree = R"({"region": 0})";
        for (int i = 1; i < 20; ++i)
            tree = QStringLiteral(R"({"axis": "rows", "ratio": 0.5, "first": %1, "second": {"region": %2}})").arg(tree).arg(i % 16);
        return QStringLiteral(R"({"name": "Deep", "tree": %1})").arg(tree);
    }();
    const struct {
        const char* what;
        QByteArray data;
        QString message;
    } cases[] = {
        {"over 1 MB", exactlyOneMegabyte + " ", "Layout files must be no larger than 1 MB."},
        {"cut short", "{\"format\": ", "“case.json” isn’t a layout file Framewell can read: it is cut short."},
        {"cut in a string", "{\"format\": \"orrindale.Fr", "“case.json” isn’t a layout file Framewell can read: it is cut short."},
        {"empty", " \n", "“case.json” isn’t a layout file Framewell can read: it is empty."},
        {"damaged", "{\n\"format\": \"x\",\n\"version\": one\n}", "“case.json” isn’t a layout file Framewell can read: it is damaged at line 3."},
        {"not text", "{\"format\": \"\xff\xfe\"}", "“case.json” isn’t a layout file Framewell can read: it holds bytes that aren’t text."},
        {"not an object", "[1]", "This is not a Framewell layout file."},
        {"other format", R"({"format": "x", "version": 1, "layouts": []})", "This is not a Framewell layout file."},
        {"version 2", R"({"format": "orrindale.Framewell.layouts", "version": 2, "layouts": []})",
         "This layout file uses an unsupported version. Try a newer version of Framewell."},
        {"no layouts", fileWith(""), "A layout file must contain between 1 and 128 layouts."},
        {"a number as layout", fileWith("7"), "A layout file must contain between 1 and 128 layouts."},
        {"no name", fileWith(R"({"tree": {"region": 0}})"), "A layout is missing its name."},
        {"blank name", fileWith(R"({"name": " ", "tree": {"region": 0}})"),
         "Layout names must be 1–60 characters without control characters."},
        {"too deep", fileWith(deep), "A layout tree is invalid or too deeply nested."},
        {"bad ratio", fileWith(R"({"name": "R", "tree": {"axis": "columns", "ratio": 0.95, "first": {"region": 0}, "second": {"region": 1}}})"),
         "Splits must specify columns or rows and a ratio between 0.08 and 0.92."},
        {"region 16", fileWith(R"({"name": "N", "tree": {"region": 16}})"), "Regions must have unique integer numbers from 0 to 15."},
        {"region twice", fileWith(R"({"name": "D", "tree": {"axis": "rows", "ratio": 0.5, "first": {"region": 1}, "second": {"region": 1}}})"),
         "A layout contains duplicate or invalid regions."},
    };
    for (const auto& c : cases) {
        const QString path = write(QStringLiteral("case.json"), c.data);
        const QString report = importThroughPanel(path);
        EXPECT_TRUE(report.startsWith("Couldn’t import layouts: ")) << c.what << ": " << report.toStdString();
        EXPECT_TRUE(report.contains(c.message)) << c.what << ": " << report.toStdString();
    }
    EXPECT_TRUE(store.customLayouts(key).empty());
    EXPECT_FALSE(defaults.value(LayoutStore::customKey()));

    // Not regular files: a FIFO with no writer (must not block), a device, a folder, nothing.
    const QString fifo = dir.filePath("pipe.json");
    ASSERT_EQ(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    const QString regular = "Couldn’t import layouts: Choose a regular Framewell layout file.";
    EXPECT_EQ(importThroughPanel(fifo), regular);
    EXPECT_EQ(importThroughPanel("/dev/zero"), regular);
    for (const QString& path : {dir.path(), dir.filePath("missing.json")})
        EXPECT_EQ(layoutfiles::importLayouts(store, screens.screens(), key, "Studio Display", path), regular);
    if (::geteuid() != 0) {
        const QString locked = write("locked.json", fileWith(wide));
        ::chmod(QFile::encodeName(locked).constData(), 0);
        EXPECT_EQ(importThroughPanel(locked), "Couldn’t import layouts: “locked.json” can’t be read (Permission denied).");
    }

    // The display went away while the panel was open, though the file is fine.
    files.importLayouts(key);
    screens.list.clear();
    EXPECT_EQ(confirm(write("fine.json", exactlyOneMegabyte)),
              "Couldn’t import layouts: The target display disconnected. Reopen Import Layouts on the desired display.");
    EXPECT_TRUE(store.customLayouts(key).empty());
    EXPECT_EQ(watch.opened(), 0) << "a panel opened Qt's settings file";
    qputenv("XDG_CONFIG_HOME", oldConfig);
}

TEST_F(Files, ImportAddsNewLayoutsOnceAndCountsThoseAlreadyPresent)
{
    QByteArray exactlyOneMegabyte = fileWith(wide);
    exactlyOneMegabyte.append(QByteArray(LayoutArchive::maxBytes - exactlyOneMegabyte.size(), ' '));
    const QString path = write("wide.json", exactlyOneMegabyte);
    EXPECT_EQ(importThroughPanel(path), "Imported 1 layout for Studio Display. Choose a Layout to apply one.");
    ASSERT_EQ(store.customLayouts(key).size(), 1u);
    EXPECT_EQ(store.customLayouts(key)[0].name, "Wide");
    EXPECT_EQ(importThroughPanel(path),
              "Imported 0 layouts for Studio Display. 1 already present. Choose a Layout to apply one.");
    EXPECT_EQ(store.customLayouts(key).size(), 1u);

    const test::StockButtonIcons stockIcons;
    files.importLayouts(key);
    EXPECT_EQ(files.filePanel()->windowTitle(), "Import Layouts");
    EXPECT_EQ(files.filePanel()->labelText(QFileDialog::Accept), "Import");
    EXPECT_EQ(fileDialogMessage(files.filePanel()),
              "Add layouts to Studio Display. Existing layouts and window positions will be kept.");
    // The detail view's columns show their whole titles, with the rest for the names.
    auto* view = files.filePanel()->findChild<QTreeView*>("treeView");
    ASSERT_TRUE(view);
    files.filePanel()->show();
    // One button style in the row: no stock icon beside Cancel or Import.
    for (auto* box : files.filePanel()->findChildren<QDialogButtonBox*>())
        for (QAbstractButton* b : box->buttons()) {
            EXPECT_TRUE(b->icon().isNull()) << b->text().toStdString();
        }
    QHeaderView* header = view->header();
    int total = 0;
    for (int i = 0; i < header->count(); ++i) {
        const QString title = header->model()->headerData(i, Qt::Horizontal).toString();
        EXPECT_GE(header->sectionSize(i), header->fontMetrics().horizontalAdvance(title)) << title.toStdString();
        total += header->sectionSize(i);
    }
    EXPECT_LE(total, header->width()) << "no column runs past the view";
    EXPECT_GE(header->sectionSize(0), header->width() / 3) << "the names have room";
    const auto before = reports.size();
    files.filePanel()->reject();
    EXPECT_FALSE(files.filePanel());
    EXPECT_EQ(reports.size(), before) << "a cancelled panel reports nothing";
}

// A display that has as many custom layouts as it may keep takes no more, from a file or from
// the editor, and the user hears why; nothing it had changes.
TEST_F(Files, ADisplayFullOfLayoutsRefusesMoreAndSaysWhy)
{
    std::vector<SnapLayout> full;
    for (int i = 0; i < LayoutStore::maxCustomLayouts; ++i)
        full.push_back({u"user-%1"_qs.arg(i), u"Layout %1"_qs.arg(i), SnapLayout::builtIns()[0].tree, std::nullopt});
    ASSERT_EQ(store.importLayouts(full, key).added, LayoutStore::maxCustomLayouts);
    const auto before = store.customLayouts(key);
    const QString why = "Studio Display already has 1,000 custom layouts, the most a display keeps. Delete some to add more.";

    EXPECT_EQ(importThroughPanel(write("wide.json", fileWith(wide))), "Couldn’t import layouts: " + why);
    CustomLayoutActions actions(store, screens);
    actions.report = [this](const QString& text) { reports.push_back(text); };
    EXPECT_FALSE(actions.save({u"user-new"_qs, u"New"_qs, SnapLayout::builtIns()[1].tree, std::nullopt}, false, key));
    EXPECT_EQ(reports.back(), why);
    EXPECT_EQ(store.customLayouts(key), before);
    // Changing one it has is no addition.
    EXPECT_TRUE(actions.save({u"user-3"_qs, u"Renamed"_qs, SnapLayout::builtIns()[1].tree, std::nullopt}, false, key));
}

} // namespace
} // namespace fw
