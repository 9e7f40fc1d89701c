// The status menu's tray icon: made once a tray host is there, coloured for the panel it shows
// on, faded while paused.
#include "app/qt/StatusTrayIcon.h"

#include "app/qt/BusCallBudget.h"
#include "platform/TrayHost.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QSystemTrayIcon>
#include <QTimer>

namespace fw {

StatusTrayIcon::StatusTrayIcon(QMenu& menu) : menu_(menu) { qApp->installEventFilter(this); }

StatusTrayIcon::~StatusTrayIcon()
{
    qApp->removeEventFilter(this);
    if (tray_) {
        tray_->setContextMenu(nullptr);
        tray_->hide();
    }
}

void StatusTrayIcon::join()
{
    if (tray_)
        return;
    budget_ = std::make_unique<BusCallBudget>();
    tray_ = std::make_unique<QSystemTrayIcon>();
    tray_->setToolTip(QStringLiteral("Framewell — a place for every window"));
    tray_->setContextMenu(&menu_);
    updateIcon();
    connect(tray_.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger && !menu_.isVisible())
            menu_.popup(QCursor::pos());
    });
    tray_->show();
}

void StatusTrayIcon::setHostColor(const std::optional<QColor>& color)
{
    hostColor_ = color;
    background_.reset();
    updateIcon();
    // A host that just came may draw its panel after it embedded the icon: read again once it
    // has had the time to.
    for (const int ms : {500, 2000})
        QTimer::singleShot(ms, this, [this] { readTrayBackground(); });
}

void StatusTrayIcon::hide()
{
    if (tray_)
        tray_->hide();
}

void StatusTrayIcon::setPaused(bool paused)
{
    paused_ = paused;
    updateIcon();
}

void StatusTrayIcon::updateIcon()
{
    const StatusIconColors colors = statusIconColors(QGuiApplication::palette(), hostColor_, background_);
    if (!tray_)
        return;
    if (!tray_->icon().isNull() && colors == iconColors_ && paused_ == iconPaused_)
        return;
    iconColors_ = colors;
    iconPaused_ = paused_;
    tray_->setIcon(statusIcon(colors, paused_));
}

void StatusTrayIcon::readTrayBackground()
{
    if (hostColor_ || !trayHost_ || !iconWindow_)
        return;
    // Nothing known beside the icon (not embedded yet, a panel no wider than the icon): the
    // colour read before stays, else the halo.
    if (const auto beside = trayHost_->backgroundBeside(iconWindow_)) {
        background_ = QColor::fromRgb(*beside);
        updateIcon();
    }
}

bool StatusTrayIcon::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
        updateIcon();
    // Once the tray host drew our icon's window, the panel beside it is read (after the
    // painting), so that the icon takes a colour that reads there.
    if (event->type() == QEvent::Paint && !readPending_ && watched->objectName() == QLatin1String("QSystemTrayIconSys")) {
        if (auto* widget = qobject_cast<QWidget*>(watched))
            iconWindow_ = widget->winId();
        readPending_ = true;
        QTimer::singleShot(0, this, [this] {
            readPending_ = false;
            readTrayBackground();
        });
    }
    return false;
}

} // namespace fw
