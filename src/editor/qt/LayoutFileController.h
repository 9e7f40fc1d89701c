#pragma once
// The "Export Layouts" and "Import Layouts" panels of one display: Qt's own file dialog with
// a message above and, for export, a pop-up of what to write. Each panel runs without
// blocking the program; its end writes or reads the file (see LayoutFiles) and reports one
// line. At most one panel is open: asking for either while one is open brings that one
// forward. Main thread only.

#include "layout/SnapLayout.h"

#include <QFileDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <optional>

class QComboBox;

namespace fw {

class Clock;
class LayoutStore;
class Screens;

class LayoutFileController : public QObject {
    Q_OBJECT
public:
    LayoutFileController(LayoutStore& store, Screens& screens, Clock& clock, std::function<void(const QString&)> report);
    ~LayoutFileController() override;

    // Opens the export panel for the display; `current` is the layout applied there, if any.
    void exportLayouts(const QString& displayKey, const std::optional<SnapLayout>& current);
    // Opens the import panel for the display.
    void importLayouts(const QString& displayKey);

    // The panel on screen; null when none is open.
    QFileDialog* filePanel() const { return filePanel_; }
    // The export panel's pop-up of choices; null when no export panel is open.
    QComboBox* exportChoiceMenu() const;

private:
    QString screenName(const QString& displayKey) const;
    bool raiseOpenPanel();
    // Shows the panel on the display of `displayKey`.
    void show(QFileDialog* panel, const QString& displayKey);

    LayoutStore& store_;
    Screens& screens_;
    Clock& clock_;
    std::function<void(const QString&)> report_;
    QPointer<QFileDialog> filePanel_;
};

} // namespace fw
