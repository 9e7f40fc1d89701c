#pragma once
// The About window: the application's icon, name, version and build, the tagline and a line
// of description, the maker's name (in the maker's red, a shade per light or dark palette)
// and motto, and a button titled with the vendor's host that opens the product page (none when
// the build names no host). Built once and kept; showing it again shows the same window.
//
//   AboutWindowController about(clock);
//   about.show();

#include "onboarding/ProductInfo.h"

#include <QIcon>
#include <QObject>
#include <QUrl>
#include <QWidget>

#include <functional>
#include <memory>

class QLabel;
class QPushButton;

namespace fw {

class Clock;
class OnboardingWindow;

class AboutView : public QWidget {
    Q_OBJECT
public:
    // The 440 × 410 view; onWebsite runs when the website button (labelled with the host) is
    // pressed. Without a host there is no website button, and no band kept for it: the view is
    // 440 × 348.
    AboutView(const QString& version, const QString& build, const QIcon& icon, std::function<void()> onWebsite,
              QWidget* parent = nullptr, const QString& host = vendorHost());

    // The website button; none without a host.
    QPushButton* websiteButton() const { return websiteButton_; }
    QLabel* iconView() const { return icon_; }
    // The labels from top to bottom: name, version, tagline, description, maker, motto.
    std::vector<QWidget*> labels() const { return labels_; }
    // The view's size with or without a host.
    static QSize sizeFor(const QString& host);
    // The maker's colour in this palette.
    static QColor makerColor(const QPalette& palette);

protected:
    void paintEvent(QPaintEvent*) override;

private:
    QPushButton* websiteButton_ = nullptr;
    QLabel* icon_ = nullptr;
    std::vector<QWidget*> labels_;
};

class AboutWindowController : public QObject {
    Q_OBJECT
public:
    // `host` is the vendor's (empty: no link).
    explicit AboutWindowController(Clock& clock, const QString& host = vendorHost());
    ~AboutWindowController() override;

    // Opens an address; the desktop's default handler until replaced.
    std::function<void(const QUrl&)> openUrl;

    void show();
    QWidget* window() const;
    AboutView* view() const { return view_; }

    // The application's icon as About shows it: the icon theme's "framewell", else a drawn one.
    static QIcon applicationIcon();

private:
    Clock& clock_;
    std::unique_ptr<OnboardingWindow> window_;
    AboutView* view_ = nullptr;
};

// Gives every window of ours the program's icon (_NET_WM_ICON on X11): the icon theme's
// "framewell", else the one About draws, at the sizes desktops ask for (16 to 128 pixels).
void installWindowIcon();

} // namespace fw
