#include "onboarding/qt/WelcomeVideoView.h"

#include "onboarding/WelcomeVideo.h"
#include "onboarding/qt/OnboardingWindow.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QMouseEvent>
#include <QPainter>
#include <QVideoWidget>

#include <cmath>

namespace fw {

// --- MediaVideoPlayer ---

MediaVideoPlayer::MediaVideoPlayer(const QUrl& url)
    : url_(url), player_(std::make_unique<QMediaPlayer>()), audio_(std::make_unique<QAudioOutput>()),
      view_(new QVideoWidget)
{
    player_->setAudioOutput(audio_.get());
    player_->setVideoOutput(view_.data());
    connect(player_.get(), &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            report(true);
        else if (status == QMediaPlayer::InvalidMedia)
            report(false);
    });
    connect(player_.get(), &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
        if (error != QMediaPlayer::NoError)
            report(false);
    });
}

MediaVideoPlayer::~MediaVideoPlayer()
{
    player_->stop();
    player_->setVideoOutput(static_cast<QObject*>(nullptr));
    if (view_ && !view_->parent())
        delete view_.data();
}

void MediaVideoPlayer::play()
{
    if (stopped_)
        return;
    if (player_->source().isEmpty())
        player_->setSource(url_);
    player_->play();
}

void MediaVideoPlayer::stop()
{
    stopped_ = true;
    player_->stop();
    player_->setSource(QUrl());
}

bool MediaVideoPlayer::ready() const
{
    switch (player_->mediaStatus()) {
    case QMediaPlayer::LoadedMedia:
    case QMediaPlayer::BufferingMedia:
    case QMediaPlayer::BufferedMedia:
    case QMediaPlayer::EndOfMedia:
        return true;
    default:
        return false;
    }
}

QWidget* MediaVideoPlayer::surface() { return view_.data(); }

void MediaVideoPlayer::report(bool ended)
{
    QMetaObject::invokeMethod(this, [this, ended] {
        if (stopped_)
            return;
        if (auto fn = ended ? onEnded : onFailed)
            fn();
    }, Qt::QueuedConnection);
}

// --- WelcomeVideoView ---

WelcomeVideoView::WelcomeVideoView(const QRect& frame, std::unique_ptr<VideoPlayer> player, Clock& clock,
                                   QWidget* parent)
    : QWidget(parent), player_(std::move(player)), run_(std::make_unique<WelcomeVideoRun>(clock, *player_))
{
    setGeometry(frame);
    const int W = frame.width(), H = frame.height();
    title_ = makeLabel(QStringLiteral("Getting started with Framewell"), 20, QFont::Bold, StyleColor::label, this);
    title_->setGeometry(frameFromBottom(H, 40, H - 92, W - 80, 28));

    const int w = W - 80, h = int(std::lround(w * 9.0 / 16.0));
    const int playerY = H - 112 - h;   // from the bottom
    playerView_ = player_->surface();
    playerView_->setParent(this);
    playerView_->setGeometry(frameFromBottom(H, 40, playerY, w, h));
    playerView_->show();

    skip_ = new ActionButton(QStringLiteral("Skip"), [this] { finish(); }, this);
    skip_->setShortcut(QKeySequence(Qt::Key_Escape));
    skip_->setGeometry(frameFromBottom(H, W - 140, playerY - 50, 100, 30));
    caption_ = makeLabel(QStringLiteral("Watch it again any time from Getting Started in the tray menu."), 12,
                         QFont::Normal, StyleColor::secondaryLabel, this);
    caption_->setGeometry(frameFromBottom(H, 40, playerY - 44, W - 200, 18));

    run_->onLoadFailed = [this] {
        playerView_->hide();
        caption_->setText(QStringLiteral("The video could not be loaded. Try again later from Getting Started."));
        update();
    };
    run_->onDone = [this] {
        hide();
        deleteLater();
        if (onDone) {
            auto fn = onDone;
            fn();
        }
    };
}

WelcomeVideoView::~WelcomeVideoView() = default;

void WelcomeVideoView::play() { run_->start(); }

void WelcomeVideoView::finish() { run_->finish(); }

bool WelcomeVideoView::done() const { return run_->done(); }

void WelcomeVideoView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), styleColor(StyleColor::windowBackground, palette()));
    // In place of a video that could not be loaded: an empty, tinted frame.
    if (run_->loadFailed() && playerView_) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(styleColor(StyleColor::label, palette(), 0.05));
        p.drawRoundedRect(QRectF(playerView_->geometry()), 12, 12);
    }
}

void WelcomeVideoView::mousePressEvent(QMouseEvent* event) { event->accept(); }

} // namespace fw
