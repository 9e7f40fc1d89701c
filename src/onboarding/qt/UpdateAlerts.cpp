// The modal alert that shows an update check's outcome.
#include "onboarding/qt/UpdateAlerts.h"

#include "platform/qt/WindowFit.h"

#include <QDesktopServices>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

namespace fw {

namespace {

// Room for the texts and buttons: 20 px around, the message in bold 8 px above the informative
// text, the buttons 20 px below it, and the texts at least textWidth wide (no narrow column of
// wrapped lines).
void spaceOut(QMessageBox& box)
{
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    auto* message = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_label"));
    auto* informative = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel"));
    if (!grid || !message)
        return;
    grid->setContentsMargins(updateAlertMargin, updateAlertMargin, updateAlertMargin, updateAlertMargin);
    grid->setHorizontalSpacing(16);
    grid->setVerticalSpacing(8);
    QFont bold = message->font();
    bold.setBold(true);
    message->setFont(bold);
    message->setMinimumWidth(updateAlertTextWidth);
    if (informative) {
        informative->setMinimumWidth(updateAlertTextWidth);
        informative->setContentsMargins(0, 0, 0, 20 - 8);
    }
}

} // namespace

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
    spaceOut(*box);
    WindowFit::fitToWorkArea(box.get());
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
