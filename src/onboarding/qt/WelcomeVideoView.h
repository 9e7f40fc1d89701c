#pragma once
// The welcome video overlay: it covers the whole welcome content with a title, the playing
// video, "Skip" (also Escape) and a caption, and removes itself when the run ends (played to
// the end, not ready within 8 s, skipped, or the window went away). A video that could not be
// loaded leaves an empty frame and a caption saying so until then. Clicks on its
// background go nowhere. The player is behind a small interface, so the overlay's rules can
// be driven by a fake one; MediaVideoPlayer plays for real in a helper process and paints its
// pictures itself, so that no media library ever loads into the program.

#include "onboarding/VideoPlayback.h"

#include <QUrl>

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

class QProcess;
class QPushButton;

namespace fw {

class Clock;
class OverlayLabel;
class VideoFrameView;
class VideoStreamReader;
class WelcomeVideoRun;

// A player with the widget that shows its picture (the overlay takes it as its child).
class VideoPlayer : public VideoPlayback {
public:
    virtual QWidget* surface() = 0;
};

// Plays a URL with sound in the helper program (framewell-video, next to ours), started by
// play() and ended by stop() or with this player; its pictures are painted by surface().
class MediaVideoPlayer final : public QObject, public VideoPlayer {
    Q_OBJECT
public:
    explicit MediaVideoPlayer(const QUrl& url, const QString& helper = helperPath());
    ~MediaVideoPlayer() override;

    void play() override;
    void stop() override;
    bool ready() const override;
    QWidget* surface() override;

    // The helper's process id while it runs (else 0), and how many pictures it has sent.
    qint64 helperId() const;
    int framesShown() const { return frames_; }
    static QString helperPath();

private:
    void readFrames();
    void end();
    // Reports on the next turn of the loop, outside the process's own signal; a failure with
    // how the helper ended and the last line it said.
    void report(bool ended, const QString& how = {});
    void keepReason(const QByteArray& said);
    static constexpr int kSaidKept = 400;

    QUrl url_;
    QString helper_;
    QProcess* process_ = nullptr;
    std::unique_ptr<VideoStreamReader> reader_;
    QPointer<VideoFrameView> view_;
    int frames_ = 0;
    bool ready_ = false;
    bool stopped_ = false;
    bool reported_ = false;
    QByteArray said_;   // the helper's last reason on its error channel
};

class WelcomeVideoView : public QWidget {
    Q_OBJECT
public:
    // frame: the content's whole area; the overlay lays itself out for its size.
    WelcomeVideoView(const QRect& frame, std::unique_ptr<VideoPlayer> player, Clock& clock, QWidget* parent);
    ~WelcomeVideoView() override;

    // Called once when the overlay has finished; it then hides and deletes itself.
    std::function<void()> onDone;

    // Starts playing (and the 8 s readiness check).
    void play();
    void finish();
    bool done() const;

    VideoPlayer& player() const { return *player_; }
    QWidget* playerView() const { return playerView_; }
    QPushButton* skipButton() const { return skip_; }
    OverlayLabel* titleLabel() const { return title_; }
    OverlayLabel* captionLabel() const { return caption_; }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    std::unique_ptr<VideoPlayer> player_;
    std::unique_ptr<WelcomeVideoRun> run_;
    QWidget* playerView_ = nullptr;
    QPushButton* skip_ = nullptr;
    OverlayLabel* title_ = nullptr;
    OverlayLabel* caption_ = nullptr;
};

} // namespace fw
