// The non-native Qt file dialog the layout panels use, with a message row above the file view and
// an accessory row below it; Qt's own settings file, which the dialog reads, checked first.
#include "editor/qt/FileDialogs.h"

#include "base/AtomicFile.h"
#include "base/Log.h"
#include "base/XdgDirs.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QGridLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSplitter>
#include <QTemporaryDir>
#include <QTreeView>

#include <algorithm>
#include <memory>
#include <tuple>
#include <vector>

namespace fw {

namespace {

const char* const messageName = "fileDialogMessage";

// Moves every item of the grid one row down, freeing the first row.
void freeFirstRow(QGridLayout* grid)
{
    std::vector<std::tuple<QLayoutItem*, int, int, int, int>> items;
    for (int i = grid->count() - 1; i >= 0; --i) {
        int row = 0, column = 0, rows = 0, columns = 0;
        grid->getItemPosition(i, &row, &column, &rows, &columns);
        items.emplace_back(grid->takeAt(i), row, column, rows, columns);
    }
    for (auto& [item, row, column, rows, columns] : items)
        grid->addItem(item, row + 1, column, rows, columns);
}

// Qt's file dialog keeps its state in QtProject.conf in the user's config folder, read (and
// locked beside it) on the main thread. When that file or its lock is anything but a small
// regular file (a FIFO would block the read for good), Qt's settings go to a folder of this run.
void keepQtSettingsReadable()
{
    static std::unique_ptr<QTemporaryDir> elsewhere;
    if (elsewhere)
        return;
    // Qt's own settings folder, as ours: the password database's home when HOME is unset, and a
    // home whose name is not UTF-8 reached as its bytes name it (Qt would read another folder).
    const QString config = xdgConfigHome();
    for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, config);
    const QString file = config + QStringLiteral("/QtProject.conf");
    for (const QString& path : {file, file + QStringLiteral(".lock")}) {
        const FileRead probe = readRegularFile(path, 1024 * 1024);
        if (probe.ok() || probe.absent())
            continue;
        elsewhere = std::make_unique<QTemporaryDir>();
        for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat})
            QSettings::setPath(format, QSettings::UserScope, elsewhere->path());
        log::error(LogCategory::App, "Qt's settings file %{public}s is not used (%{public}s); file panels start afresh",
                   path, probe.problem);
        return;
    }
}

// Takes the icons off a dialog's buttons each time it is about to show (a file dialog makes its
// buttons anew when its mode changes).
class PlainButtons final : public QObject {
public:
    explicit PlainButtons(QWidget* dialog) : QObject(dialog) { dialog->installEventFilter(this); }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == parent() && event->type() == QEvent::Show)
            for (auto* box : static_cast<QWidget*>(watched)->findChildren<QDialogButtonBox*>())
                for (QAbstractButton* button : box->buttons())
                    button->setIcon(QIcon());
        return false;
    }
};

} // namespace

void keepButtonsPlain(QWidget* dialog) { new PlainButtons(dialog); }

QFileDialog* makeFileDialog(QWidget* parent, const QString& title, const QString& message, QWidget* accessory)
{
    keepQtSettingsReadable();
    auto* dialog = new QFileDialog(parent);
    dialog->setOption(QFileDialog::DontUseNativeDialog);
    dialog->setWindowTitle(title);
    keepButtonsPlain(dialog);
    // Not the program's working directory, which means nothing to the user.
    dialog->setDirectory(QDir::homePath());
    dialog->resize(std::max(dialog->width(), 760), std::max(dialog->height(), 520));
    // The detail view's columns fit their titles and contents; the name takes the rest.
    if (auto* files = dialog->findChild<QTreeView*>(QStringLiteral("treeView"))) {
        QHeaderView* header = files->header();
        header->setStretchLastSection(false);
        header->setMinimumSectionSize(60);
        for (int i = 1; i < header->count(); ++i)
            header->setSectionResizeMode(i, QHeaderView::ResizeToContents);
        header->setSectionResizeMode(0, QHeaderView::Stretch);
    }
    // The places beside the files wide enough for a folder's name.
    if (auto* split = dialog->findChild<QSplitter*>(QStringLiteral("splitter")))
        split->setSizes({170, dialog->width() - 170});
    auto* grid = qobject_cast<QGridLayout*>(dialog->layout());
    if (!grid)
        return dialog; // never so for Qt's own dialog; the extra controls are then left out
    const int columns = grid->columnCount();
    if (!message.isEmpty()) {
        freeFirstRow(grid);
        auto* label = new QLabel(message, dialog);
        label->setObjectName(QLatin1String(messageName));
        label->setWordWrap(true);
        grid->addWidget(label, 0, 0, 1, columns);
    }
    if (accessory) {
        accessory->setParent(dialog);
        accessory->setMinimumSize(accessory->size());
        grid->addWidget(accessory, grid->rowCount(), 0, 1, columns, Qt::AlignLeft);
    }
    return dialog;
}

QString fileDialogMessage(const QFileDialog* dialog)
{
    const auto* label = dialog ? dialog->findChild<QLabel*>(QLatin1String(messageName)) : nullptr;
    return label ? label->text() : QString();
}

} // namespace fw
