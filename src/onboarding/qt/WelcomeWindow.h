#pragma once
// The welcome window ("Getting Started"): a banner and headline, the desktop picture with
// "Watch the Video", four steps, three status rows (the desktop's own tiling, window previews,
// window control) with their buttons, the reset link, the shortcut line, and "Preview Layouts",
// "Arrange a Window" and "Take the Tour" (Return). It presents state and hands choices to the
// shell through closures; it decides nothing.
//
//   WelcomeWindowController welcome(permissions, defaults, clock, [&] { return shortcutLine(); });
//   welcome.onPreview = …; welcome.onArrange = …; welcome.onTour = …; welcome.onPreviews = …;
//   welcome.onReport = [&](const QString& text) { report(text); };
//   welcome.show();          // refreshes, shows, and re-reads the grants every 2 s while visible
//   welcome.playVideo();     // at the first launch only
//
// The video stops whenever the window goes away, by its close button or any other way. Without
// a video source (no local copy and no vendor host) the button is not offered and nothing plays.

#include "onboarding/WelcomeContent.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QPushButton;
class QWidget;

namespace fw {

class Clock;
class DesktopIllustration;
class OnboardingWindow;
class OverlayLabel;
class Permissions;
class RepeatingTimer;
class UserDefaults;
class VideoPlayer;
class WelcomeVideoView;

class WelcomeWindowController : public QObject {
    Q_OBJECT
public:
    static constexpr int contentWidth = 720;
    static constexpr int contentHeight = 750;

    // `shortcutLine` gives the shortcut line's text from the keys that work ("Ctrl+Alt+P  Place
    // …"); without it the line stays empty. The last step names the layout keys while the
    // installed shortcuts have them working.
    WelcomeWindowController(Permissions& permissions, UserDefaults& defaults, Clock& clock,
                            std::function<QString()> shortcutLine = {});
    ~WelcomeWindowController() override;

    std::function<void()> onPreview;    // "Preview Layouts"
    std::function<void()> onAdjust;     // kept for the shell; no control here calls it
    std::function<void()> onArrange;    // "Arrange a Window"
    std::function<void()> onTour;       // "Take the Tour"
    std::function<void()> onPreviews;   // "Enable Window Previews…"
    // One sentence for the user (the shell's notice), e.g. when the reset did nothing.
    std::function<void(const QString&)> onReport;
    // Runs after each 2 s re-reading of the grants while the window is visible.
    std::function<void()> onPermissionTick;
    // The desktop's own tiling settings by key (edgeTilingKey, topTilingKey): true, false or
    // unset. While this is empty the desktop is taken to tile nothing of its own.
    std::function<std::optional<bool>(const QString& key)> windowManagerPreference;
    // Whether stack transitions are drawn (a compositor runs); the panels' stacking port's
    // answer until replaced.
    std::function<bool()> transitionsAnimate;
    // Whether our icon shows in a tray (true until replaced): without one the ready row says how
    // the program is reached instead.
    std::function<bool()> trayShown;
    // The title of the chosen stack transition ("Shuffle" until replaced), named by the previews row.
    std::function<QString()> transitionTitle;
    // Opens the desktop's window settings; the permission port's settings until replaced.
    std::function<void()> openDesktopSettings;
    // Makes the video's player; a MediaVideoPlayer until replaced.
    std::function<std::unique_ptr<VideoPlayer>(const QUrl&)> makePlayer;

    // Re-reads both grants and the tiling settings into the three status rows.
    void refreshPermissionState();
    // Re-reads the keys that work into the shortcut line and the last step.
    void refreshShortcuts();
    // The video's address (welcomeVideoURL() until replaced); empty hides "Watch the Video".
    void setVideoSource(const QUrl& source);
    // Shows the video overlay and plays it; nothing while one is showing or without a source.
    // True when it started playing.
    bool playVideo();
    // Refreshes the rows, shows the window, brings it forward and starts the 2 s refresh.
    void show();
    // Ends the video, then closes the window (it is kept for the next show).
    void close();

    QWidget* window() const;
    WelcomeVideoView* video() const { return video_; }
    bool permissionTimerActive() const;

    OverlayLabel* permissionLabel() const { return permissionLabel_; }
    OverlayLabel* previewsLabel() const { return previewsLabel_; }
    OverlayLabel* tilingLabel() const { return tilingLabel_; }
    OverlayLabel* keysLabel() const { return keys_; }
    QPushButton* permissionButton() const { return permissionButton_; }
    QPushButton* previewsButton() const { return previewsButton_; }
    QPushButton* tilingButton() const { return tilingButton_; }
    QPushButton* resetButton() const { return resetButton_; }
    QPushButton* videoButton() const { return videoButton_; }
    QPushButton* previewButton() const { return previewButton_; }
    QPushButton* arrangeButton() const { return arrangeButton_; }
    QPushButton* tourButton() const { return tourButton_; }
    DesktopIllustration* picture() const { return picture_; }

private:
    void buildHeader();
    void buildSteps();
    void buildStatusRows();
    void buildButtons();
    void resetPermission();
    // A button action that runs one of the callbacks above.
    std::function<void()> forward(std::function<void()> WelcomeWindowController::*callback);
    void windowHidden();
    // A frame given from the bottom left of the content.
    QRect frame(int x, int y, int width, int height) const;

    Permissions& permissions_;
    UserDefaults& defaults_;
    Clock& clock_;
    std::function<QString()> shortcutLine_;
    std::unique_ptr<OnboardingWindow> window_;
    std::unique_ptr<RepeatingTimer> permissionTimer_;
    QPointer<WelcomeVideoView> video_;
    QUrl videoSource_;
    DesktopIllustration* picture_ = nullptr;
    OverlayLabel* previewsLabel_ = nullptr;
    OverlayLabel* permissionLabel_ = nullptr;
    OverlayLabel* keys_ = nullptr;
    std::vector<OverlayLabel*> stepBodies_;
    OverlayLabel* tilingLabel_ = nullptr;
    QPushButton* previewsButton_ = nullptr;
    QPushButton* permissionButton_ = nullptr;
    QPushButton* tilingButton_ = nullptr;
    QPushButton* resetButton_ = nullptr;
    QPushButton* videoButton_ = nullptr;
    QPushButton* previewButton_ = nullptr;
    QPushButton* arrangeButton_ = nullptr;
    QPushButton* tourButton_ = nullptr;
};

} // namespace fw
