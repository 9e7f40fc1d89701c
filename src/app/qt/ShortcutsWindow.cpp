// The shortcuts window's widgets: one row per action with key and mouse buttons, feeding key presses
// and clicks to ShortcutRecorder and showing what it answers.
#include "app/qt/ShortcutsWindow.h"

#include "app/StatusMenuModel.h"
#include "overlay/ActionButton.h"
#include "overlay/OverlayStyle.h"

#include <QApplication>
#include <QBoxLayout>
#include <QGridLayout>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QScreen>

#include <algorithm>

namespace fw {

namespace {

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
        return true;
    default:
        return false;
    }
}

// The window itself: every way it goes away (close button, Escape, hide) and the loss of the
// focus are reported.
class ShortcutsWindow final : public QWidget {
public:
    std::function<void()> onHidden;
    std::function<void()> onDeactivated;

protected:
    void changeEvent(QEvent* e) override
    {
        QWidget::changeEvent(e);
        if (e->type() == QEvent::ActivationChange && !isActiveWindow() && onDeactivated)
            onDeactivated();
    }
    void hideEvent(QHideEvent* e) override
    {
        QWidget::hideEvent(e);
        if (onHidden)
            onHidden();
    }
    void keyPressEvent(QKeyEvent* e) override
    {
        if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier)
            close();
        else
            QWidget::keyPressEvent(e);
    }
};

} // namespace

ShortcutsWindowController::ShortcutsWindowController(UserDefaults& defaults, QObject* parent)
    : QObject(parent), recorder_(defaults)
{
    recorder_.onChange = [this] {
        if (onChange)
            onChange();
    };
    recorder_.onRecording = [this](bool on) {
        if (onRecording)
            onRecording(on);
    };
    recorder_.failures = [this] { return failures ? failures() : std::set<ShortcutAction>{}; };
    recorder_.mouseUnavailable = [this] { return mouseUnavailable && mouseUnavailable(); };
    recorder_.onUpdate = [this] { refresh(); };
    recorder_.sameKey = [this](std::uint32_t a, std::uint32_t b) { return sameKey ? sameKey(a, b) : a == b; };
    recorder_.holdKeyboard = [this] { return holdKeyboard ? holdKeyboard(window_->winId()) : KeyboardHold::Held; };
    recorder_.releaseKeyboard = [this] {
        if (releaseKeyboard)
            releaseKeyboard();
    };
    build();
    refresh();
}

ShortcutsWindowController::~ShortcutsWindowController()
{
    watchInput(false);
    if (auto* w = static_cast<ShortcutsWindow*>(window_.get()))
        w->onHidden = w->onDeactivated = nullptr;
}

QWidget* ShortcutsWindowController::window() const
{
    return window_.get();
}

void ShortcutsWindowController::build()
{
    auto* w = new ShortcutsWindow;
    window_.reset(w);
    w->setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint);
    w->setWindowTitle(QStringLiteral("Shortcuts"));
    w->onHidden = [this] { recorder_.endRecording(); };
    // Elsewhere the user works on: the keys the recording holds and the shortcuts it suspended
    // are theirs again.
    w->onDeactivated = [this] { recorder_.endRecording(); };

    // Laid out from the fonts: the designed frames are the least each part gets, and a larger
    // system font widens the columns and the window with them (its size follows its content).
    auto* layout = new QVBoxLayout(w);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(20, 18, 20, 16);
    layout->setSpacing(0);
    layout->addWidget(makeLabel(QStringLiteral("Click a shortcut, then press the keys or mouse button you want. "
                                               "Delete turns it off."),
                                12, QFont::Normal, StyleColor::secondaryLabel, w));
    layout->addSpacing(12);
    layout->addLayout(buildRows(w));
    layout->addSpacing(12);
    // Two lines beside Restore Defaults: the mouse hint, with its keys at the end, is longer
    // than one line.
    auto* bottom = new QHBoxLayout;
    bottom->setSpacing(10);
    hint_ = makeLabel(QString(), 11, QFont::Normal, StyleColor::secondaryLabel, w);
    hint_->setWordWrap(true);
    hint_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    hint_->setMinimumWidth(470);
    hint_->setFixedHeight(36);
    bottom->addWidget(hint_, 1);
    restore_ = button(QStringLiteral("Restore Defaults"), [this] { recorder_.restoreDefaults(); });
    restore_->setMinimumSize(140, 30);
    bottom->addWidget(restore_, 0, Qt::AlignVCenter);
    layout->addLayout(bottom);

    layout->activate();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        w->move(screen->availableGeometry().center() - QPoint(w->width() / 2, w->height() / 2));
}

QPushButton* ShortcutsWindowController::button(const QString& title, std::function<void()> action)
{
    // Our buttons' own: Return and keypad Enter click the ringed one, as Space does. A click
    // rings it too, as any push button of the desktop's.
    auto* b = new ActionButton(title, std::move(action), window_.get());
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

QGridLayout* ShortcutsWindowController::buildRows(QWidget* w)
{
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(10);
    grid->setVerticalSpacing(6);
    // The columns' least widths: the design's, or what the longest text a column shows needs.
    QPushButton probe(w);
    probe.setText(ShortcutRecorder::recordingKeyTitle());
    const QFont noteFont = systemFont(11);
    const QFontMetrics noteMetrics(noteFont);
    const int noteWidth = std::max({124, noteMetrics.horizontalAdvance(ShortcutRecorder::takenNote()) + 2,
                                    noteMetrics.horizontalAdvance(ShortcutRecorder::mouseUnavailableNote()) + 2});
    grid->setColumnMinimumWidth(0, 220);
    grid->setColumnMinimumWidth(1, std::max(120, probe.sizeHint().width()));
    grid->setColumnMinimumWidth(2, 140);
    grid->setColumnMinimumWidth(3, noteWidth);
    grid->addWidget(makeLabel(QStringLiteral("Keyboard"), 11, QFont::DemiBold, StyleColor::secondaryLabel, w), 0, 1);
    grid->addWidget(makeLabel(QStringLiteral("Mouse"), 11, QFont::DemiBold, StyleColor::secondaryLabel, w), 0, 2);
    int line = 1;
    for (ShortcutAction action : allShortcutActions) {
        const std::uint32_t tag = rawValue(action);
        grid->addWidget(makeLabel(title(action), 13, QFont::Normal, StyleColor::label, w), line, 0);
        Row row;
        row.key = button(QString(), [this, tag] { recorder_.recordKey(tag); });
        row.key->setMinimumHeight(28);
        row.mouse = button(QString(), [this, tag] { recorder_.recordMouse(tag); });
        row.mouse->setMinimumHeight(28);
        row.note = new QLabel(w);
        row.note->setFont(noteFont);
        QPalette orange = row.note->palette();
        orange.setColor(QPalette::WindowText, QColor(255, 149, 0));
        row.note->setPalette(orange);
        grid->addWidget(row.key, line, 1);
        grid->addWidget(row.mouse, line, 2);
        grid->addWidget(row.note, line, 3);
        rows_[action] = row;
        ++line;
    }
    return grid;
}

void ShortcutsWindowController::refresh()
{
    for (const auto& [action, row] : rows_) {
        const ShortcutRecorder::Row r = recorder_.row(action);
        row.key->setText(r.keyTitle);
        row.mouse->setText(r.mouseTitle);
        row.note->setText(r.note);
    }
    hint_->setText(recorder_.hint().isEmpty() ? layoutKeysNote() : recorder_.hint());
    watchInput(recorder_.recording().has_value());
}

QString ShortcutsWindowController::layoutKeysNote() const
{
    // The layout keys have no row: while no recording speaks, the hint line names those taken.
    QStringList taken;
    for (std::size_t position : layoutKeyFailures ? layoutKeyFailures() : std::set<std::size_t>{})
        taken.push_back(layoutKeyLabel(position));
    return taken.isEmpty() ? QString() : taken.join(QStringLiteral(", ")) + QStringLiteral(": In use elsewhere");
}

void ShortcutsWindowController::show()
{
    refresh();
    window_->show();
    window_->raise();
    window_->activateWindow();
}

void ShortcutsWindowController::close()
{
    recorder_.endRecording();
    window_->close();
}

QString ShortcutsWindowController::note(ShortcutAction action) const
{
    return rows_.at(action).note->text();
}

QString ShortcutsWindowController::hint() const
{
    return hint_->text();
}

void ShortcutsWindowController::watchInput(bool on)
{
    if (on == watching_ || !qApp)
        return;
    watching_ = on;
    if (on)
        qApp->installEventFilter(this);
    else
        qApp->removeEventFilter(this);
}

bool ShortcutsWindowController::keyDown(const QKeyEvent& e)
{
    // A held key's repeats: the Return that started the recording, or a combination's key kept
    // down; never a shortcut of their own.
    if (isModifierKey(e.key()) || e.isAutoRepeat())
        return true;
    // On X the native scan code is the key's keycode; 0 where the event names no key.
    const bool realKey = e.nativeScanCode() != 0 && keyCodeForKey;
    const auto code = realKey ? keyCodeForKey(e.nativeScanCode())
                              : keyCodeForQtKey(e.key(), e.modifiers() & Qt::KeypadModifier);
    // The label follows what the key types now (the hot keys install that), else its name.
    const QString label = code ? KeyCombo{*code, 0, KeyCombo::keyLabel(*code, keyCharacters(*code))}.displayString()
                               : QKeySequence(e.key()).toString(QKeySequence::NativeText);
    return recorder_.keyDown(code, storedModifiers(e.modifiers()), label);
}

bool ShortcutsWindowController::eventFilter(QObject* watched, QEvent* event)
{
    if (!recorder_.recording())
        return QObject::eventFilter(watched, event);
    switch (event->type()) {
    case QEvent::KeyPress:
        return keyDown(*static_cast<QKeyEvent*>(event));
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick: {
        auto* e = static_cast<QMouseEvent*>(event);
        const auto button = storedButton(e->button());
        return button && recorder_.mouseDown(*button, storedModifiers(e->modifiers()));
    }
    default:
        return QObject::eventFilter(watched, event);
    }
}

} // namespace fw
