// One showing of the welcome video: starts the player and ends once at the first of end, timeout,
// failure or finish().
#include "onboarding/WelcomeVideo.h"

#include "onboarding/ProductInfo.h"

namespace fw {

WelcomeVideoRun::WelcomeVideoRun(Clock& clock, VideoPlayback& player) : clock_(clock), player_(player) {}

WelcomeVideoRun::~WelcomeVideoRun()
{
    if (readiness_)
        clock_.cancel(readiness_);
    if (!done_) {
        player_.onEnded = nullptr;
        player_.onFailed = nullptr;
    }
}

void WelcomeVideoRun::start()
{
    if (done_ || readiness_)
        return;
    const std::weak_ptr<int> alive = alive_;
    player_.onEnded = [this, alive] {
        if (!alive.expired())
            finish();
    };
    player_.onFailed = [this, alive] {
        if (!alive.expired())
            failed();
    };
    readiness_ = clock_.callAfter(readinessLimit, alive, [this] {
        readiness_ = 0;
        if (failed_ || !player_.ready())
            finish();
    });
    player_.play();
}

void WelcomeVideoRun::failed()
{
    if (done_ || failed_)
        return;
    // Past the readiness limit the failure ends the run; before it, the run says so and ends there.
    if (!readiness_) {
        finish();
        return;
    }
    failed_ = true;
    if (onLoadFailed) {
        auto fn = onLoadFailed;
        fn();
    }
}

void WelcomeVideoRun::finish()
{
    if (done_)
        return;
    done_ = true;
    if (readiness_)
        clock_.cancel(readiness_);
    readiness_ = 0;
    player_.onEnded = nullptr;
    player_.onFailed = nullptr;
    player_.stop();
    if (onDone) {
        auto fn = onDone;   // the closure may destroy this run
        fn();
    }
}

QUrl welcomeVideoURL()
{
    // FRAMEWELL_WELCOME_VIDEO (a file or an address) stands in for the vendor's copy: for a
    // machine without the network, and for the program's own tests. Without either, a build
    // naming no vendor host has no video.
    static const QUrl url = [] {
        const QString local = qEnvironmentVariable("FRAMEWELL_WELCOME_VIDEO");
        if (!local.isEmpty())
            return QUrl::fromUserInput(local, QString(), QUrl::AssumeLocalFile);
        return vendorAddress(QStringLiteral("/framewell/video/welcome.mp4"));
    }();
    return url;
}

} // namespace fw
