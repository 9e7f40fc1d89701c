// The Getting Started window's widgets: banner, steps, status rows with their buttons and the main
// buttons, handing each choice to the shell.
#include "onboarding/qt/WelcomeWindow.h"

#include "base/Clock.h"
#include "onboarding/ProductInfo.h"
#include "onboarding/WelcomeVideo.h"
#include "onboarding/qt/DesktopIllustration.h"
#include "onboarding/qt/OnboardingWindow.h"
#include "onboarding/qt/WelcomeVideoView.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"
#include "overlay/OverlayWindow.h"
#include "overlay/TextFit.h"
#include "overlay/Symbols.h"
#include "platform/PanelStacking.h"
#include "platform/Permissions.h"

namespace fw {

namespace {

// The window manager draws the title bar outside the content here, so the band the content
// kept free for it at the top is not needed: everything above the button row moves up by this
// much, and the shortcut line takes the row freed above the buttons.
constexpr int upperRaise = 22;

OverlayLabel* addLabel(QWidget* parent, const QString& text, double size, QFont::Weight weight, StyleColor color,
                       const QRect& frame)
{
    OverlayLabel* label = makeLabel(text, size, weight, color, parent);
    label->setGeometry(frame);
    return label;
}

StyleColor toneColor(WelcomeStatus::Tone tone)
{
    return tone == WelcomeStatus::Tone::ready ? StyleColor::green : StyleColor::secondaryLabel;
}

} // namespace

WelcomeWindowController::WelcomeWindowController(Permissions& permissions, UserDefaults& defaults, Clock& clock,
                                                 std::function<QString()> shortcutLine)
    : permissions_(permissions), defaults_(defaults), clock_(clock), shortcutLine_(std::move(shortcutLine)),
      window_(std::make_unique<OnboardingWindow>(QStringLiteral("Framewell"), QSize(contentWidth, contentHeight), true))
{
    openDesktopSettings = [this] { permissions_.openSettings(QStringLiteral("desktop")); };
    transitionsAnimate = [] {
        const PanelStacking* stacking = OverlayWindow::stacking();
        return !stacking || stacking->compositing();
    };
    makePlayer = [](const QUrl& url) -> std::unique_ptr<VideoPlayer> { return std::make_unique<MediaVideoPlayer>(url); };
    permissionTimer_ = std::make_unique<RepeatingTimer>(clock_, std::chrono::seconds(2), [this] {
        refreshPermissionState();
        if (onPermissionTick)
            onPermissionTick();
        if (!window_->isVisible())
            permissionTimer_->stop();
    });
    buildHeader();
    buildSteps();
    buildStatusRows();
    buildButtons();
    refreshShortcuts();
    refreshPermissionState();
    setVideoSource(welcomeVideoURL());
    window_->onCancel = [this] {
        if (video_)
            video_->finish();
    };
    window_->onHidden = [this] { windowHidden(); };
}

WelcomeWindowController::~WelcomeWindowController()
{
    window_->onHidden = nullptr;
}

QRect WelcomeWindowController::frame(int x, int y, int width, int height) const
{
    return window_->frameFromBottom(x, y, width, height);
}

void WelcomeWindowController::buildHeader()
{
    QWidget* w = window_.get();
    const int r = upperRaise;
    addLabel(w, QStringLiteral("FRAMEWELL  ·  A CORVELLAN APP"), 11, QFont::Bold, StyleColor::secondaryLabel,
             frame(40, 692 + r, 250, 20));
    addLabel(w, productTagline(), 32, QFont::Bold, StyleColor::label, frame(40, 641 + r, 660, 44));
    addLabel(w, QStringLiteral("Pull down a layout. Put your desktop in order."), 15, QFont::Normal,
             StyleColor::secondaryLabel, frame(40, 610 + r, 650, 24));
    picture_ = new DesktopIllustration(w);
    picture_->setGeometry(frame(40, 391 + r, 640, 196));

    QPointer<WelcomeWindowController> self(this);
    videoButton_ = new ActionButton(QStringLiteral("Watch the Video"), [self] {
        if (self)
            self->playVideo();
    }, w);
    videoButton_->setGeometry(frame(40 + 327 - 79, 391 + 66 + r, 158, 30));
    videoButton_->setIcon(QIcon(Symbols::image(QStringLiteral("play.fill"), 14, Qt::white)));
    videoButton_->setStyleSheet(QStringLiteral("QPushButton { background: %1; color: white; border: none; "
                                               "border-radius: 6px; padding: 0 10px; }")
                                    .arg(styleColor(StyleColor::accent, w->palette()).name()));
}

void WelcomeWindowController::buildSteps()
{
    QWidget* w = window_.get();
    const auto steps = welcomeSteps();
    for (std::size_t i = 0; i < steps.size(); ++i) {
        const WelcomeStep& step = steps[i];
        const int y = 346 - 46 * int(i) + upperRaise;
        addLabel(w, step.number, 12, QFont::Bold, StyleColor::accent, frame(40, y + 6, 26, 26))
            ->setAlignment(Qt::AlignCenter);
        addLabel(w, step.title, 13, QFont::DemiBold, StyleColor::label, frame(80, y + 18, 550, 20));
        stepBodies_.push_back(
            addLabel(w, step.body, 12, QFont::Normal, StyleColor::secondaryLabel, frame(80, y - 1, 580, 20)));
    }
}

void WelcomeWindowController::buildStatusRows()
{
    QWidget* w = window_.get();
    const int r = upperRaise;
    QPointer<WelcomeWindowController> self(this);
    tilingLabel_ = addLabel(w, {}, 12, QFont::Medium, StyleColor::orange, frame(40, 171 + r, 435, 20));
    tilingButton_ = new ActionButton(QStringLiteral("Open Desktop Settings…"),
                                     forward(&WelcomeWindowController::openDesktopSettings), w);
    tilingButton_->setGeometry(frame(476, 165 + r, 205, 32));

    previewsLabel_ = addLabel(w, {}, 12, QFont::Medium, StyleColor::label, frame(40, 125 + r, 435, 20));
    previewsButton_ = new ActionButton(QStringLiteral("Enable Window Previews…"),
                                       forward(&WelcomeWindowController::onPreviews), w);
    previewsButton_->setGeometry(frame(476, 119 + r, 205, 32));

    permissionLabel_ = addLabel(w, {}, 12, QFont::Medium, StyleColor::label, frame(40, 79 + r, 435, 20));
    resetButton_ = new ActionButton(QStringLiteral("Still can’t arrange windows? Reset Framewell’s window control"),
                                    [self] {
                                        if (self)
                                            self->resetPermission();
                                    },
                                    w);
    resetButton_->setFlat(true);
    QFont link = systemFont(11);
    link.setUnderline(true);
    resetButton_->setFont(link);
    resetButton_->setCursor(Qt::PointingHandCursor);
    resetButton_->setStyleSheet(QStringLiteral("QPushButton { color: %1; border: none; text-align: left; padding: 0; }")
                                    .arg(styleColor(StyleColor::link, w->palette()).name()));
    resetButton_->setGeometry(frame(52, 58 + r, 420, 16));
    permissionButton_ = new ActionButton(QStringLiteral("Enable Window Control"), [self] {
        if (!self)
            return;
        self->permissions_.windowControlGranted(true);
        self->permissions_.openSettings(QStringLiteral("accessibility"));
    }, w);
    permissionButton_->setGeometry(frame(476, 73 + r, 205, 32));
}

void WelcomeWindowController::buildButtons()
{
    QWidget* w = window_.get();
    previewButton_ = new ActionButton(QStringLiteral("Preview Layouts"), forward(&WelcomeWindowController::onPreview), w);
    previewButton_->setGeometry(frame(38, 24, 144, 30));
    arrangeButton_ = new ActionButton(QStringLiteral("Arrange a Window"), forward(&WelcomeWindowController::onArrange), w);
    arrangeButton_->setGeometry(frame(190, 24, 140, 30));
    tourButton_ = new ActionButton(QStringLiteral("Take the Tour"), forward(&WelcomeWindowController::onTour), w);
    tourButton_->setGeometry(frame(529, 24, 152, 30));
    window_->returnButton = tourButton_;
    keys_ = addLabel(w, {}, 11, QFont::Normal, StyleColor::secondaryLabel, frame(40, 58, 640, 18));
    // The buttons and the shortcut line stay in view when the rest scrolls.
    window_->footer = 58 + 18 + 8;
}

void WelcomeWindowController::refreshPermissionState()
{
    const bool control = permissions_.windowControlGranted(false);
    const bool previews = permissions_.windowPreviewsGranted();
    std::optional<bool> edge = false, top = false;
    if (windowManagerPreference) {
        edge = windowManagerPreference(edgeTilingKey);
        top = windowManagerPreference(topTilingKey);
    }
    const bool animated = !transitionsAnimate || transitionsAnimate();
    const WelcomeStatus s = welcomeStatus(control, previews, animated, edge, top, !trayShown || trayShown(),
                                          transitionTitle ? transitionTitle() : QStringLiteral("Shuffle"));
    permissionLabel_->setText(s.permissionText);
    permissionLabel_->setColor(toneColor(s.permissionTone));
    permissionButton_->setText(s.permissionButton);
    permissionButton_->setHidden(s.permissionButtonHidden);
    resetButton_->setHidden(s.resetHidden);
    previewsLabel_->setText(s.previewsText);
    previewsLabel_->setColor(toneColor(s.previewsTone));
    previewsButton_->setHidden(s.previewsButtonHidden);
    tilingLabel_->setText(s.tilingText);
    tilingLabel_->setToolTip(tilingToolTip());
    tilingLabel_->setHidden(s.tilingHidden);
    tilingButton_->setHidden(s.tilingHidden);
    // The buttons' texts may have changed: each takes the room its text needs at its font.
    fitButtonsToText(window_.get());
}

void WelcomeWindowController::refreshShortcuts()
{
    keys_->setText(shortcutLine_ ? shortcutLine_() : QString());
    const auto steps = welcomeSteps();
    for (std::size_t i = 0; i < steps.size() && i < stepBodies_.size(); ++i)
        stepBodies_[i]->setText(steps[i].body);
}

void WelcomeWindowController::setVideoSource(const QUrl& source)
{
    videoSource_ = source;
    videoButton_->setHidden(source.isEmpty());
    // The middle window shows its own symbol where the button does not stand.
    picture_->setMiddleSymbol(source.isEmpty());
}

bool WelcomeWindowController::playVideo()
{
    if (video_ || !makePlayer || videoSource_.isEmpty())
        return false;
    auto* view = new WelcomeVideoView(QRect(0, 0, contentWidth, contentHeight), makePlayer(videoSource_), clock_,
                                      window_->content());
    QPointer<WelcomeWindowController> self(this);
    view->onDone = [self] {
        if (self)
            self->video_ = nullptr;
    };
    view->raise();
    view->show();
    video_ = view;
    view->play();
    return true;
}

void WelcomeWindowController::show()
{
    refreshPermissionState();
    window_->present(clock_);
    if (!permissionTimer_->active())
        permissionTimer_->start();
}

void WelcomeWindowController::close()
{
    if (video_)
        video_->finish();
    window_->close();
}

void WelcomeWindowController::windowHidden()
{
    // Whichever way the window went (its close button, close(), hide(), minimizing), the video
    // ends with it and the grants are no longer watched.
    if (video_)
        video_->finish();
    permissionTimer_->stop();
}

void WelcomeWindowController::resetPermission()
{
    if (permissions_.resetWindowControl()) {
        permissions_.windowControlGranted(true);
        permissions_.openSettings(QStringLiteral("accessibility"));
        return;
    }
    if (onReport)
        onReport(QStringLiteral("Couldn’t reset automatically: this desktop keeps no window-control permission to reset."));
}

std::function<void()> WelcomeWindowController::forward(std::function<void()> WelcomeWindowController::*callback)
{
    // The button acts only while the controller lives and the callback is set.
    return [self = QPointer<WelcomeWindowController>(this), callback] {
        if (self && (self.data()->*callback))
            (self.data()->*callback)();
    };
}

QWidget* WelcomeWindowController::window() const { return window_.get(); }

bool WelcomeWindowController::permissionTimerActive() const { return permissionTimer_->active(); }

} // namespace fw
