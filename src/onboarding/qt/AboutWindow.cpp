// The About window: icon, name, version, tagline, the maker's line and the product page button.
#include "onboarding/qt/AboutWindow.h"

#include "onboarding/ProductInfo.h"
#include "onboarding/qt/OnboardingWindow.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"
#include "overlay/TextFit.h"
#include "overlay/ThemeIcons.h"

#include <QApplication>
#include <QDesktopServices>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPointer>

namespace fw {

namespace {

// A centred one-line text in the maker's colour, resolved whenever it is drawn.
class MakerLabel final : public QWidget {
public:
    MakerLabel(const QString& text, QWidget* parent) : QWidget(parent), text_(text)
    {
        setFont(systemFont(17, QFont::Black));
        setAccessibleName(text);
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter p(this);
        p.setPen(AboutView::makerColor(palette()));
        p.drawText(rect(), Qt::AlignCenter, fontMetrics().elidedText(text_, Qt::ElideRight, width()));
    }

private:
    QString text_;
};

// The drawn application icon at the given sizes: a layout of three regions on a rounded tile.
QIcon drawnIcon(std::initializer_list<int> sides)
{
    QIcon icon;
    for (const int side : sides) {
        QPixmap pm(side, side);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const double u = side / 88.0;
        QLinearGradient fill(0, 0, 0, side);
        fill.setColorAt(0, QColor(74, 144, 226));
        fill.setColorAt(1, QColor(40, 94, 180));
        p.setPen(Qt::NoPen);
        p.setBrush(fill);
        p.drawRoundedRect(QRectF(4 * u, 4 * u, 80 * u, 80 * u), 18 * u, 18 * u);
        p.setBrush(QColor(255, 255, 255, 235));
        for (const QRectF& r : {QRectF(18, 20, 24, 48), QRectF(46, 20, 24, 22), QRectF(46, 46, 24, 22)})
            p.drawRoundedRect(QRectF(r.x() * u, r.y() * u, r.width() * u, r.height() * u), 4 * u, 4 * u);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace

QIcon AboutWindowController::applicationIcon()
{
    const auto themed = ThemeIcons::find(QStringLiteral("framewell"));
    return themed ? *themed : drawnIcon({88, 176});
}

void installWindowIcon()
{
    const auto themed = ThemeIcons::find(QStringLiteral("framewell"));
    QGuiApplication::setWindowIcon(themed ? *themed : drawnIcon({16, 22, 24, 32, 48, 64, 128}));
}

AboutView::AboutView(const QString& version, const QString& build, const QIcon& icon, std::function<void()> onWebsite,
                     QWidget* parent, const QString& host)
    : QWidget(parent)
{
    // Without the website's button the band it stood in goes: the rest keeps its place from the top.
    const int drop = host.isEmpty() ? 410 - sizeFor(host).height() : 0;
    resize(sizeFor(host));
    const auto at = [h = height(), drop](int x, int y, int width, int height) {
        return frameFromBottom(h, x, y - drop, width, height);
    };
    icon_ = new QLabel(this);
    icon_->setGeometry(at(176, 296, 88, 88));
    icon_->setAlignment(Qt::AlignCenter);
    icon_->setAccessibleName(QStringLiteral("Framewell app icon"));
    if (!icon.isNull())
        icon_->setPixmap(icon.pixmap(QSize(88, 88), devicePixelRatioF()));

    const auto centred = [&](const QString& text, double size, QFont::Weight weight, StyleColor color, QRect frame) {
        OverlayLabel* label = makeLabel(text, size, weight, color, this);
        label->setAlignment(Qt::AlignCenter);
        label->setGeometry(frame);
        labels_.push_back(label);
    };
    centred(QStringLiteral("Framewell"), 28, QFont::Bold, StyleColor::label, at(24, 253, 392, 38));
    centred(QStringLiteral("Version %1 (%2)").arg(version, build), 12, QFont::Normal, StyleColor::secondaryLabel,
            at(24, 226, 392, 22));
    centred(productTagline(), 16, QFont::Medium, StyleColor::label, at(24, 190, 392, 26));
    centred(QStringLiteral("Snap, resize, and stack. Made for your desktop."), 12, QFont::Normal,
            StyleColor::secondaryLabel, at(24, 165, 392, 22));
    auto* maker = new MakerLabel(QStringLiteral("CORVELLAN"), this);
    maker->setGeometry(at(24, 116, 392, 27));
    labels_.push_back(maker);
    centred(makerMotto(), 12, QFont::Normal, StyleColor::secondaryLabel, at(24, 93, 392, 22));

    if (host.isEmpty())
        return;
    websiteButton_ = new ActionButton(host, std::move(onWebsite), this);
    websiteButton_->setGeometry(at(140, 51, 160, 28));
    growToText(websiteButton_);   // centred, as wide as a large system font needs
    websiteButton_->setAccessibleName(QStringLiteral("Visit Framewell on the Corvellan website"));
}

QSize AboutView::sizeFor(const QString& host) { return QSize(440, host.isEmpty() ? 348 : 410); }

QColor AboutView::makerColor(const QPalette& palette)
{
    return isDark(palette) ? QColor::fromRgbF(0.886f, 0.357f, 0.271f) : QColor::fromRgbF(0.769f, 0.227f, 0.169f);
}

void AboutView::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    p.fillRect(rect(), styleColor(StyleColor::windowBackground, palette()));
}

AboutWindowController::AboutWindowController(Clock& clock, const QString& host)
    : clock_(clock), window_(std::make_unique<OnboardingWindow>(QStringLiteral("About Framewell"), AboutView::sizeFor(host)))
{
    openUrl = [](const QUrl& url) { QDesktopServices::openUrl(url); };
    QPointer<AboutWindowController> self(this);
    view_ = new AboutView(productVersion(), productBuildText(), applicationIcon(), [self, host] {
        if (self && self->openUrl)
            self->openUrl(vendorAddress(QStringLiteral("/framewell/"), host));
    }, window_.get(), host);
    view_->move(0, 0);
}

AboutWindowController::~AboutWindowController() = default;

QWidget* AboutWindowController::window() const { return window_.get(); }

void AboutWindowController::show()
{
    window_->present(clock_);
}

} // namespace fw
