#pragma once
// The rules of one showing of the welcome video, apart from its widgets: the run starts the
// player and ends at the first of: the video played to its end, the video was not ready (or
// could not be loaded) 8 s after the start, the player failed after that, or finish() (Skip,
// Escape, the window going away). A video that cannot be loaded is reported at once through
// onLoadFailed, so that its view can say so until the run ends. The end runs once: the player
// is stopped and its source dropped, the readiness check withdrawn, and onDone called.
// WelcomeVideoView (onboarding/qt) shows a run.

#include "base/Clock.h"
#include "onboarding/VideoPlayback.h"

#include <QUrl>

#include <functional>
#include <memory>

namespace fw {

class WelcomeVideoRun {
public:
    static constexpr Duration readinessLimit = std::chrono::seconds(8);

    WelcomeVideoRun(Clock& clock, VideoPlayback& player);
    ~WelcomeVideoRun();
    WelcomeVideoRun(const WelcomeVideoRun&) = delete;
    WelcomeVideoRun& operator=(const WelcomeVideoRun&) = delete;

    // Called once when the run has ended, whichever way.
    std::function<void()> onDone;
    // Called once when the player fails before the readiness limit; the run goes on to it.
    std::function<void()> onLoadFailed;

    // Starts playing and the readiness check.
    void start();
    // Ends the run; later calls do nothing.
    void finish();
    bool done() const { return done_; }
    bool loadFailed() const { return failed_; }

private:
    void failed();

    Clock& clock_;
    VideoPlayback& player_;
    TimerId readiness_ = 0;
    bool done_ = false;
    bool failed_ = false;
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

// FRAMEWELL_WELCOME_VIDEO when set, else https://<vendor host>/framewell/video/welcome.mp4;
// empty when neither names one.
QUrl welcomeVideoURL();

} // namespace fw
