// The application chooser: installed applications by name and icon, filtered as the user types.
#include "editor/qt/ApplicationChooser.h"

#include "editor/CustomLayoutRules.h"
#include "editor/qt/FileDialogs.h"
#include "overlay/AppIcon.h"
#include "platform/qt/WindowFit.h"

#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace fw {

namespace {

constexpr int iconSide = 24;

// The application's icon, else the placeholder tile other surfaces draw for it.
QIcon iconOf(const ApplicationEntry& entry, qreal ratio)
{
    if (auto icon = AppIcon::resolve(entry.icon))
        return *icon;
    QPixmap tile(QSize(iconSide, iconSide) * ratio);
    tile.setDevicePixelRatio(ratio);
    tile.fill(Qt::transparent);
    QPainter p(&tile);
    p.setRenderHint(QPainter::Antialiasing);
    AppIcon::paintPlaceholder(p, QRectF(0, 0, iconSide, iconSide), entry.name);
    return QIcon(tile);
}

} // namespace

ApplicationChooser::ApplicationChooser(const std::vector<ApplicationEntry>& installed, const QString& message,
                                       QWidget* parent)
    : QDialog(parent), listed_(editor::chooserApplications(installed))
{
    setWindowTitle(QStringLiteral("Choose an App"));
    resize(420, 520);
    auto* layout = new QVBoxLayout(this);
    message_ = new QLabel(message, this);
    message_->setWordWrap(true);
    layout->addWidget(message_);
    search_ = new QLineEdit(this);
    search_->setPlaceholderText(QStringLiteral("Search"));
    search_->setClearButtonEnabled(true);
    search_->installEventFilter(this);
    layout->addWidget(search_);
    list_ = new QListWidget(this);
    list_->setIconSize(QSize(iconSide, iconSide));
    list_->setUniformItemSizes(true);
    list_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    list_->setTextElideMode(Qt::ElideRight);
    layout->addWidget(list_, 1);
    note_ = new QLabel(this);
    note_->setWordWrap(true);
    note_->hide();
    layout->addWidget(note_);
    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(QDialogButtonBox::Cancel);
    add_ = buttons->addButton(QStringLiteral("Add"), QDialogButtonBox::AcceptRole);
    add_->setDefault(true);
    layout->addWidget(buttons);
    keepButtonsPlain(this);

    const qreal ratio = devicePixelRatioF();
    for (const ApplicationEntry& entry : listed_) {
        // Entries of one name (a user's own copy of a system entry) say what sets them apart.
        const QString distinction = editor::chooserDistinction(listed_, entry);
        const QString text = distinction.isEmpty() ? entry.name : entry.name + u" — "_qs + distinction;
        auto* item = new QListWidgetItem(iconOf(entry, ratio), text, list_);
        item->setData(Qt::UserRole, entry.id);
        item->setToolTip(entry.comment.isEmpty() ? entry.path : entry.comment + u'\n' + entry.path);
    }
    connect(search_, &QLineEdit::textChanged, this, [this] { showMatches(); });
    connect(list_, &QListWidget::itemDoubleClicked, this, [this] { addSelected(); });
    connect(list_, &QListWidget::currentItemChanged, this,
            [this](QListWidgetItem* current) {
                add_->setEnabled(current && !current->isHidden());
                showNote();
            });
    connect(buttons, &QDialogButtonBox::accepted, this, [this] { addSelected(); });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    showMatches();
    search_->setFocus();
    WindowFit::fitToWorkArea(this, parent ? parent->screen() : nullptr);
}

QStringList ApplicationChooser::shownNames() const
{
    QStringList names;
    for (int i = 0; i < list_->count(); ++i) {
        if (!list_->item(i)->isHidden())
            names << list_->item(i)->text();
    }
    return names;
}

void ApplicationChooser::showMatches()
{
    // The rows stay (their icons are made once); those that do not match are hidden.
    const auto matches = editor::filteredApplications(listed_, search_->text());
    QListWidgetItem* first = nullptr;
    std::size_t next = 0;
    for (int i = 0; i < list_->count(); ++i) {
        QListWidgetItem* item = list_->item(i);
        const bool match = next < matches.size() && matches[next].id == item->data(Qt::UserRole).toString();
        item->setHidden(!match);
        if (match) {
            ++next;
            if (!first)
                first = item;
        }
    }
    list_->setCurrentItem(first);
    add_->setEnabled(first != nullptr);
    showNote();
}

void ApplicationChooser::setTerminalInstalled(bool installed)
{
    terminalInstalled_ = installed;
    showNote();
}

void ApplicationChooser::showNote()
{
    const QListWidgetItem* item = list_->currentItem();
    const QString id = item && !item->isHidden() ? item->data(Qt::UserRole).toString() : QString();
    const auto entry =
        std::find_if(listed_.begin(), listed_.end(), [&](const ApplicationEntry& e) { return e.id == id; });
    const bool needs = !terminalInstalled_ && entry != listed_.end() && entry->terminal;
    note_->setText(needs ? entry->name + u" runs in a terminal, and none is installed, so a layout can’t open it."_qs
                         : QString());
    note_->setVisible(needs);
}

void ApplicationChooser::addSelected()
{
    QListWidgetItem* item = list_->currentItem();
    if (!item || item->isHidden())
        return;
    chosen_ = item->data(Qt::UserRole).toString();
    accept();
}

bool ApplicationChooser::eventFilter(QObject* watched, QEvent* event)
{
    // Up and Down in the search field move through the list, so typing and choosing need no
    // mouse.
    if (watched == search_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Down || key == Qt::Key_Up) {
            QKeyEvent copy(QEvent::KeyPress, key, Qt::NoModifier);
            QCoreApplication::sendEvent(list_, &copy);
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

} // namespace fw
