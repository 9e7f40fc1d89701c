#pragma once
// The alert that shows an update check's outcome: up to date, available (Download opens the
// release's page, Later does nothing), needs a newer system, or unreachable. Modal, and kept
// above other windows so that it is not lost behind them.
//
//   updates.check(productVersion(), productBuild(), [&](const UpdateCheck::Outcome& o) {
//       presentUpdateOutcome(o, vendorHost(), updates.systemName());
//   });

#include "onboarding/UpdateCheck.h"

#include <QMessageBox>

#include <functional>
#include <memory>

namespace fw {

// The alert's margins and the least width of its texts.
inline constexpr int updateAlertMargin = 20;
inline constexpr int updateAlertTextWidth = 320;

// The alert of an outcome, built but not shown: its first button is the default one. The
// message is bold above the informative text, with room around both and above the buttons.
std::unique_ptr<QMessageBox> makeUpdateAlert(const UpdateCheck::Outcome& outcome, const QString& host,
                                             const QString& systemName);

// Shows the alert modally (through `run`, which returns the button chosen, when given) and,
// when its first button was chosen and the outcome offers a link (only `available`), opens
// the link with openUrl (the desktop's handler when empty). Returns whether the first button
// was chosen.
bool presentUpdateOutcome(const UpdateCheck::Outcome& outcome, const QString& host, const QString& systemName,
                          const std::function<void(const QUrl&)>& openUrl = {},
                          const std::function<QAbstractButton*(QMessageBox&)>& run = {});

} // namespace fw
