#include "onboarding/qt/UpdateAlerts.h"

#include <QDesktopServices>
#include <QPushButton>

namespace fw {

std::unique_ptr<QMessageBox> makeUpdateAlert(const UpdateCheck::Outcome& outcome, const QString& host,
                                             const QString& systemName)
{
    const UpdateCheck::AlertText text = UpdateCheck::alertText(outcome, host, systemName);
    auto box = std::make_unique<QMessageBox>();
    box->setWindowTitle(QStringLiteral("Framewell"));
    box->setIcon(QMessageBox::Information);
    box->setText(text.message);
    box->setInformativeText(text.informative);
    // The first button accepts; a second one ("Later") rejects and is also Escape's.
    QPushButton* first = box->addButton(text.buttons.value(0), QMessageBox::AcceptRole);
    box->setDefaultButton(first);
    box->setEscapeButton(first);
    if (text.buttons.size() > 1)
        box->setEscapeButton(box->addButton(text.buttons[1], QMessageBox::RejectRole));
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    return box;
}

bool presentUpdateOutcome(const UpdateCheck::Outcome& outcome, const QString& host, const QString& systemName,
                          const std::function<void(const QUrl&)>& openUrl,
                          const std::function<QAbstractButton*(QMessageBox&)>& run)
{
    const auto box = makeUpdateAlert(outcome, host, systemName);
    QAbstractButton* clicked = nullptr;
    if (run) {
        clicked = run(*box);
    } else {
        box->raise();
        box->activateWindow();
        box->exec();
        clicked = box->clickedButton();
    }
    const bool chosen = clicked && box->buttonRole(clicked) == QMessageBox::AcceptRole;
    const auto link = UpdateCheck::alertText(outcome, host, systemName).link;
    if (chosen && link) {
        if (openUrl)
            openUrl(*link);
        else
            QDesktopServices::openUrl(*link);
    }
    return chosen;
}

} // namespace fw
