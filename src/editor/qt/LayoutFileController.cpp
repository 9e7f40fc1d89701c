// The export and import panels of a display: opening one (or raising the one already open), the export
// pop-up of layouts, and handing the chosen path to LayoutFiles when the panel ends.
#include "editor/qt/LayoutFileController.h"

#include "editor/LayoutFiles.h"
#include "editor/qt/FileDialogs.h"
#include "layout/LayoutStore.h"
#include "layout/ScreenGeometry.h"
#include "overlay/OverlayStyle.h"
#include "platform/qt/WindowFit.h"

#include <QComboBox>
#include <QFileDialog>

namespace fw {

namespace {

const char* const choiceMenuName = "exportChoices";

// "Export:" and the pop-up of choices over the note on what a file holds; 430 × 70.
QWidget* exportAccessory(const std::vector<layoutfiles::ExportChoice>& choices)
{
    constexpr int height = 70;
    auto* view = new QWidget;
    view->setFixedSize(430, height);
    makeLabel(QStringLiteral("Export:"), 13, QFont::Normal, StyleColor::label, view)
        ->setGeometry(fromBottomLeft(0, 40, 54, 20, height));
    auto* menu = new QComboBox(view);
    menu->setObjectName(QLatin1String(choiceMenuName));
    menu->setGeometry(fromBottomLeft(60, 36, 370, 28, height));
    for (const auto& choice : choices)
        menu->addItem(choice.title);
    menu->setCurrentIndex(0);
    makeLabel(QStringLiteral("Names and proportions only. Fits the destination display."), 11, QFont::Normal,
              StyleColor::secondaryLabel, view)
        ->setGeometry(fromBottomLeft(0, 8, 430, 20, height));
    return view;
}

} // namespace

LayoutFileController::LayoutFileController(LayoutStore& store, Screens& screens, Clock& clock,
                                           std::function<void(const QString&)> report)
    : store_(store), screens_(screens), clock_(clock), report_(std::move(report))
{
}

LayoutFileController::~LayoutFileController() { delete filePanel_.data(); }

QComboBox* LayoutFileController::exportChoiceMenu() const
{
    return filePanel_ ? filePanel_->findChild<QComboBox*>(QLatin1String(choiceMenuName)) : nullptr;
}

QString LayoutFileController::screenName(const QString& key) const
{
    for (const ScreenInfo& s : screens_.screens()) {
        if (displayKey(s) == key)
            return s.name;
    }
    return key;
}

bool LayoutFileController::raiseOpenPanel()
{
    if (!filePanel_)
        return false;
    bringToFront(filePanel_, clock_);
    return true;
}

void LayoutFileController::show(QFileDialog* panel, const QString& key)
{
    filePanel_ = panel;
    panel->setWindowFlag(Qt::WindowStaysOnTopHint);
    panel->setModal(false);
    // On the display whose layouts it moves, within its work area.
    std::optional<Rect> visible;
    for (const ScreenInfo& s : screens_.screens())
        if (displayKey(s) == key)
            visible = s.visibleFrame;
    WindowFit::fitToWorkArea(panel, visible);
    panel->show();
    bringToFront(panel, clock_);
}

void LayoutFileController::exportLayouts(const QString& key, const std::optional<SnapLayout>& current)
{
    if (raiseOpenPanel())
        return;
    const auto choices = layoutfiles::exportChoices(store_, key, current);
    QFileDialog* panel = makeFileDialog(nullptr, QStringLiteral("Export Layouts"),
                                        layoutfiles::exportMessage(screenName(key)), exportAccessory(choices));
    panel->setAcceptMode(QFileDialog::AcceptSave);
    panel->setFileMode(QFileDialog::AnyFile);
    panel->setNameFilter(QStringLiteral("JSON (*.json)"));
    panel->setDefaultSuffix(QStringLiteral("json"));
    panel->selectFile(layoutfiles::defaultFileName());
    QPointer<QFileDialog> weakPanel(panel);
    connect(panel, &QFileDialog::finished, this, [this, weakPanel, choices](int result) {
        QComboBox* menu = exportChoiceMenu();
        const int index = menu ? menu->currentIndex() : -1;
        const QString path = weakPanel ? weakPanel->selectedFiles().value(0) : QString();
        filePanel_.clear();
        if (weakPanel)
            weakPanel->deleteLater();
        if (result == QDialog::Accepted && !path.isEmpty() && index >= 0 && index < int(choices.size()))
            report_(layoutfiles::exportLayouts(choices[std::size_t(index)].layouts, path));
    });
    show(panel, key);
}

void LayoutFileController::importLayouts(const QString& key)
{
    if (raiseOpenPanel())
        return;
    const QString name = screenName(key);
    QFileDialog* panel = makeFileDialog(nullptr, QStringLiteral("Import Layouts"), layoutfiles::importMessage(name));
    panel->setAcceptMode(QFileDialog::AcceptOpen);
    panel->setFileMode(QFileDialog::ExistingFile);
    panel->setNameFilter(QStringLiteral("JSON (*.json)"));
    panel->setLabelText(QFileDialog::Accept, QStringLiteral("Import"));
    QPointer<QFileDialog> weakPanel(panel);
    connect(panel, &QFileDialog::finished, this, [this, weakPanel, key, name](int result) {
        const QString path = weakPanel ? weakPanel->selectedFiles().value(0) : QString();
        filePanel_.clear();
        if (weakPanel)
            weakPanel->deleteLater();
        if (result == QDialog::Accepted && !path.isEmpty())
            report_(layoutfiles::importLayouts(store_, screens_.screens(), key, name, path));
    });
    show(panel, key);
}

} // namespace fw
