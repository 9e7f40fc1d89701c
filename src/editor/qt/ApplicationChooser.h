#pragma once
// The application chooser of the editor's "Other App…": the installed applications a launcher
// lists, each by its name (with what tells it apart from another of that name) and its icon
// from the icon theme, its comment and file as its tooltip, a search field that filters them
// as the user types (Down moves into the list), and Cancel and Add. Return or a double-click
// adds the selected application. It answers with the application's desktop-entry id. Where no
// terminal is installed, a note under the list says so when the selected application runs in
// one.
//
//   ApplicationChooser chooser(applications.installed(), u"Choose an app to add to region 1."_qs, editor);
//   if (chooser.exec() == QDialog::Accepted) use(*chooser.chosen());

#include "platform/Applications.h"

#include <QDialog>

#include <optional>
#include <vector>

class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace fw {

class ApplicationChooser : public QDialog {
    Q_OBJECT
public:
    ApplicationChooser(const std::vector<ApplicationEntry>& installed, const QString& message,
                       QWidget* parent = nullptr);

    // The id of the application chosen; none until Add.
    std::optional<QString> chosen() const { return chosen_; }

    QLineEdit* searchField() const { return search_; }
    QListWidget* list() const { return list_; }
    QPushButton* addButton() const { return add_; }
    QLabel* messageLabel() const { return message_; }
    // Whether a terminal is installed to run the applications that run in one (so by default).
    void setTerminalInstalled(bool installed);
    // The note on the selected application; hidden when there is none.
    QLabel* noteLabel() const { return note_; }
    // The names the list shows now, top to bottom.
    QStringList shownNames() const;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void showMatches();
    void addSelected();
    void showNote();

    std::vector<ApplicationEntry> listed_;
    std::optional<QString> chosen_;
    QLabel* message_ = nullptr;
    QLabel* note_ = nullptr;
    bool terminalInstalled_ = true;
    QLineEdit* search_ = nullptr;
    QListWidget* list_ = nullptr;
    QPushButton* add_ = nullptr;
};

} // namespace fw
