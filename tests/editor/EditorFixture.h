#pragma once
// Shared pieces of the editor tests: displays, installed applications with plain-colour icons,
// a layout store over memory defaults, and small event helpers for the views.

#include "base/Clock.h"
#include "base/UserDefaults.h"
#include "layout/LayoutStore.h"
#include "layout/TreeBuilders.h"
#include "overlay/AppIcon.h"
#include "platform/Screens.h"
#include "platform/sim/FakeApplications.h"
#include "snap/AppNames.h"

#include <QApplication>
#include <QImage>
#include <QMouseEvent>
#include <QProxyStyle>
#include <QStyleFactory>
#include <QTemporaryDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <memory>

namespace fw::test {

class FakeScreens final : public Screens {
public:
    std::vector<ScreenInfo> list{{"DISPLAY-A", "Studio Display", Rect(0, 0, 1920, 1080), Rect(0, 30, 1920, 1050), true}};
    std::vector<ScreenInfo> screens() const override { return list; }
    void setChangeHandler(std::function<void()>) override {}
};

// While it lives, the application's style gives standard dialog buttons stock icons, as the
// desktops' themes do (the offscreen platform's gives none).
struct StockButtonIcons {
    class Style final : public QProxyStyle {
    public:
        using QProxyStyle::QProxyStyle;
        int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                      QStyleHintReturn* returned) const override
        {
            return hint == SH_DialogButtonBox_ButtonsHaveIcons ? 1 : QProxyStyle::styleHint(hint, option, widget, returned);
        }
    };
    const QString before = QApplication::style()->name();
    StockButtonIcons() { QApplication::setStyle(new Style(QStyleFactory::create(before))); }
    ~StockButtonIcons() { QApplication::setStyle(before); }
};

struct EditorFixture : ::testing::Test {
    std::shared_ptr<FakeApplications> apps = std::make_shared<FakeApplications>();
    QTemporaryDir dir;
    MemoryDefaults defaults;
    LayoutStore store{defaults};
    FakeScreens screens;
    VirtualClock clock;
    std::vector<QString> reports;
    const QString key = QStringLiteral("DISPLAY-A");

    void SetUp() override
    {
        AppNames::setApplications(apps);
        AppIcon::setApplications(apps);
    }
    void TearDown() override
    {
        AppNames::setApplications(nullptr);
        AppIcon::setApplications(nullptr);
    }

    // An installed application whose icon is a square of one colour.
    void install(const QString& id, const QString& name, QColor color = Qt::gray)
    {
        QImage img(64, 64, QImage::Format_ARGB32);
        img.fill(color);
        const QString path = dir.filePath(id + QStringLiteral(".png"));
        img.save(path);
        apps->add(id, name, path);
    }
};

// Mouse events sent straight to a widget, with the button state a real drag has.
inline void sendMouse(QWidget* w, QEvent::Type type, QPointF at, Qt::MouseButtons buttons)
{
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, at, w->mapToGlobal(at), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(w, &event);
}
inline void press(QWidget* w, QPointF at) { sendMouse(w, QEvent::MouseButtonPress, at, Qt::LeftButton); }
inline void release(QWidget* w, QPointF at) { sendMouse(w, QEvent::MouseButtonRelease, at, Qt::NoButton); }
inline void moveTo(QWidget* w, QPointF at) { sendMouse(w, QEvent::MouseMove, at, Qt::LeftButton); }
inline void drag(QWidget* w, QPointF from, QPointF to)
{
    press(w, from);
    moveTo(w, (from + to) / 2);
    moveTo(w, to);
    release(w, to);
}
inline void doubleClick(QWidget* w, QPointF at)
{
    press(w, at);
    release(w, at);
    sendMouse(w, QEvent::MouseButtonDblClick, at, Qt::LeftButton);
    release(w, at);
}

} // namespace fw::test
