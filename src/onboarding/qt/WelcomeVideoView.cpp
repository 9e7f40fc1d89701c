// The welcome video overlay and MediaVideoPlayer, which runs the helper process and paints the frames
// it streams.
#include "onboarding/qt/WelcomeVideoView.h"

#include "onboarding/WelcomeVideo.h"
#include "onboarding/qt/OnboardingWindow.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"
#include "overlay/TextFit.h"

#include "base/ChildDescriptors.h"
#include "base/Log.h"
#include "onboarding/qt/VideoFrameStream.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>

#include <cmath>
#include <utility>

namespace fw {

// The helper's latest picture, centred on black.
class VideoFrameView : public QWidget {
public:
    void show(QImage frame)
    {
        frame_ = std::move(frame);
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.fillRect(rect(), Qt::black);
        if (frame_.isNull())
            return;
        const QSize fit = frame_.size().scaled(size(), Qt::KeepAspectRatio);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRect(QPoint((width() - fit.width()) / 2, (height() - fit.height()) / 2), fit), frame_);
    }

private:
    QImage frame_;
};

// --- MediaVideoPlayer ---

MediaVideoPlayer::MediaVideoPlayer(const QUrl& url, const QString& helper)
    : url_(url), helper_(helper), view_(new VideoFrameView)
{
    view_->setAttribute(Qt::WA_OpaquePaintEvent);
}

MediaVideoPlayer::~MediaVideoPlayer()
{
    end();
    if (view_ && !view_->parent())
        delete view_.data();
}

#ifndef FRAMEWELL_HELPER_DIR
#define FRAMEWELL_HELPER_DIR "../libexec/framewell"
#endif

QString MediaVideoPlayer::helperPath()
{
    // Beside the program in a build folder; in the installed libexec folder (named relative to
    // the program's, so any prefix works) once installed.
    const QString dir = QCoreApplication::applicationDirPath();
    const QString beside = dir + QStringLiteral("/framewell-video");
    if (QFileInfo(beside).isExecutable())
        return beside;
    return QDir::cleanPath(dir + QStringLiteral("/" FRAMEWELL_HELPER_DIR "/framewell-video"));
}

void MediaVideoPlayer::play()
{
    if (stopped_ || process_)
        return;
    // Pictures at the size they are shown, in device pixels.
    const qreal ratio = view_ ? view_->devicePixelRatioF() : 1.0;
    const QSize size = view_ && !view_->size().isEmpty() ? view_->size() * ratio : QSize(1280, 720);
    reader_ = std::make_unique<VideoStreamReader>(size);
    process_ = new QProcess(this);
    // The media libraries talk on the console (a missing sound server, codec notes): what the
    // helper says there goes to the debug log, never to the user's terminal.
    process_->setProcessChannelMode(QProcess::SeparateChannels);
    // The helper keeps its three channels and none of our other descriptors.
    process_->setChildProcessModifier([] { closeDescriptorsOnExec(); });
    connect(process_, &QProcess::readyReadStandardError, this, [this] {
        if (!process_)
            return;
        const QByteArray said = process_->readAllStandardError();
        if (log::enabled(LogCategory::App, LogLevel::Debug))
            log::debug(LogCategory::App, "Welcome video player: %{public}s", QString::fromUtf8(said).trimmed());
        keepReason(said);
    });
    connect(process_, &QProcess::readyReadStandardOutput, this, [this] { readFrames(); });
    // A failure is told once the helper has ended: by then its error channel, where it says why
    // before it reports the failure, has been read to the end.
    connect(process_, &QProcess::finished, this, [this](int code, QProcess::ExitStatus status) {
        readFrames();
        keepReason(process_->readAllStandardError());
        report(false, status == QProcess::CrashExit ? QStringLiteral("the helper crashed")
                                                    : QStringLiteral("the helper ended with %1").arg(code));
    });
    connect(process_, &QProcess::errorOccurred, this, [this](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart)
            report(false, QStringLiteral("the helper did not start"));
    });
    process_->start(helper_, {url_.toString(), QString::number(size.width()), QString::number(size.height())});
}

void MediaVideoPlayer::readFrames()
{
    if (!process_)
        return;
    const VideoNews news = reader_->take(process_->readAllStandardOutput());
    frames_ += news.frames;
    ready_ = ready_ || news.ready || news.frames > 0;
    if (!news.frame.isNull() && view_)
        view_->show(news.frame);
    if (news.failed)
        process_->closeWriteChannel();   // the helper ends when its input closes
    else if (news.ended)
        report(true);
}

void MediaVideoPlayer::stop()
{
    stopped_ = true;
    end();
}

// Ends the helper at once: nothing it would still say matters.
void MediaVideoPlayer::end()
{
    if (!process_)
        return;
    QProcess* process = std::exchange(process_, nullptr);
    process->disconnect(this);
    process->kill();
    process->waitForFinished(2000);
    delete process;
}

bool MediaVideoPlayer::ready() const { return ready_; }

qint64 MediaVideoPlayer::helperId() const { return process_ ? process_->processId() : 0; }

QWidget* MediaVideoPlayer::surface() { return view_.data(); }

// The helper's own last line ("framewell-video: ..."): what the libraries print after it (a
// leak checker's report at exit) does not hide the reason.
void MediaVideoPlayer::keepReason(const QByteArray& said)
{
    for (const QByteArray& line : said.split('\n')) {
        if (line.startsWith("framewell-video: "))
            said_ = line.left(kSaidKept);
    }
}

void MediaVideoPlayer::report(bool ended, const QString& how)
{
    if (reported_)
        return;
    reported_ = true;
    if (ended) {
        log::info(LogCategory::App, "Welcome video: %d pictures, played to its end", frames_);
    } else {
        const QString said = QString::fromUtf8(said_).trimmed();
        log::info(LogCategory::App, "Welcome video: %d pictures, failed (%{public}s%{public}s)", frames_, how,
                  said.isEmpty() ? QString() : QStringLiteral(": ") + said);
    }
    QMetaObject::invokeMethod(this, [this, ended] {
        end();
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
    growToText(skip_);   // from its right edge, at a large system font
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
