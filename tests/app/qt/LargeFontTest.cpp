// Our windows at a large system font (14 pt, as qt6ct or a desktop's text scaling sets it):
// Getting Started, Shortcuts and the layout editor give every button the room its text needs
// (nothing elided), no two buttons of a row overlap, and each stays inside its window.
#include "app/qt/ShortcutsWindow.h"
#include "base/Clock.h"
#include "base/UserDefaults.h"
#include "editor/qt/CustomLayoutEditor.h"
#include "layout/SnapLayout.h"
#include "onboarding/qt/WelcomeVideoView.h"
#include "onboarding/qt/WelcomeWindow.h"
#include "platform/sim/SimDesktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QPushButton>

#include <gtest/gtest.h>

namespace fw {
namespace {

// The application's font for one test.
class FontScope {
public:
    explicit FontScope(double points) : saved_(QApplication::font())
    {
        QFont font = saved_;
        font.setPointSizeF(points);
        QApplication::setFont(font);
    }
    ~FontScope() { QApplication::setFont(saved_); }

private:
    QFont saved_;
};

void expectButtonsFit(QWidget* window, const char* name)
{
    const QList<QAbstractButton*> buttons = window->findChildren<QAbstractButton*>();
    ASSERT_FALSE(buttons.isEmpty()) << name;
    for (QAbstractButton* button : buttons) {
        if (button->isHidden() || button->text().isEmpty() || !button->parentWidget()->isAncestorOf(button))
            continue;
        const QString what = QStringLiteral("%1: \"%2\"").arg(QLatin1String(name), button->text());
        EXPECT_LE(button->sizeHint().width(), button->width()) << what.toStdString();
        EXPECT_LE(button->sizeHint().height(), button->height()) << what.toStdString();
        const QRect inWindow(button->mapTo(window, QPoint(0, 0)), button->size());
        EXPECT_TRUE(window->rect().contains(inWindow)) << what.toStdString() << " lies outside its window";
        for (QAbstractButton* other : buttons) {
            if (other != button && !other->isHidden() && other->parentWidget() == button->parentWidget()) {
                EXPECT_FALSE(button->geometry().intersects(other->geometry()))
                    << what.toStdString() << " overlaps \"" << other->text().toStdString() << "\"";
            }
        }
    }
}

TEST(LargeFont, EveryButtonOfGettingStartedShortcutsAndTheEditorShowsItsWholeText)
{
    FontScope large(14);
    VirtualClock clock;
    sim::SimDesktop desk{clock};
    MemoryDefaults defaults;

    WelcomeWindowController welcome(desk, defaults, clock);
    expectButtonsFit(welcome.window(), "Getting Started");
    for (QPushButton* button : {welcome.arrangeButton(), welcome.previewButton(), welcome.tourButton()})
        EXPECT_LE(button->sizeHint().width(), button->width()) << button->text().toStdString();

    ShortcutsWindowController shortcuts(defaults);
    shortcuts.refresh();
    expectButtonsFit(shortcuts.window(), "Shortcuts");

    const std::vector<SnapLayout> starters = SnapLayout::builtIns();
    CustomLayoutEditor editor(starters, std::nullopt, u"Display 1"_qs, starters.front());
    expectButtonsFit(&editor, "Layout editor");

    // At the usual font the design's sizes stand.
    FontScope usual(10);
    CustomLayoutEditor plain(starters, std::nullopt, u"Display 1"_qs, std::nullopt);
    EXPECT_EQ(plain.width(), CustomLayoutEditor::contentWidth);
}

} // namespace
} // namespace fw
