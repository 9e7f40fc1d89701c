// The switcher's content drawn with Qt from the picker plan.
#include "stacks/qt/WindowStackPicker.h"

#include "overlay/OverlayStyle.h"
#include "overlay/Symbols.h"
#include "overlay/PickerButtons.h"
#include "overlay/ThumbnailImage.h"
#include "snap/ShortcutLabels.h"
#include "stacks/qt/SwitcherButtons.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollArea>
#include <algorithm>
#include <cmath>

namespace fw {

namespace {

QRect toQRect(const Rect& r)
{
    return QRect(int(std::lround(r.minX())), int(std::lround(r.minY())), int(std::lround(r.width())),
                 int(std::lround(r.height())));
}

StackPickerPlan::Input planInput(const PickerContent& c)
{
    return {c.members, c.sections, c.previewsAllowed, bool(c.sendToBack), c.layouts, c.activeLayout, bool(c.chooseLayout)};
}

bool sameWindow(const std::optional<ManagedWindow>& a, const ManagedWindow& b) { return a && *a == b; }

} // namespace

WindowStackPicker::WindowStackPicker(PickerContent content, QWidget* parent)
    : QWidget(parent), plan_(planInput(content)), sendToBack_(content.sendToBack)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setFocusPolicy(Qt::StrongFocus);
    resize(int(std::lround(plan_.width)), int(std::lround(plan_.height)));
    buildHeader(content);
    buildCards(content);
    if (!content.previewsAllowed) {
        previewsButton_ = new ActionButton(u"Enable Window Previews…"_qs, content.enablePreviews, this);
        previewsButton_->setGeometry(toQRect(plan_.previewsButtonFrame()));
    }
    // Keyboard chain: the cards in order, wrapping; numbers on the first nine.
    for (std::size_t i = 0; i < ordered_.size(); ++i) {
        if (i + 1 < ordered_.size())
            setTabOrder(ordered_[i], ordered_[i + 1]);
        if (i < 9)
            ordered_[i]->shortcutNumber = int(i + 1);
        ordered_[i]->update();
    }
    // Key presses of the window the picker is in come here first (its key monitor).
    qApp->installEventFilter(this);
}

WindowStackPicker::~WindowStackPicker() = default;

void WindowStackPicker::buildHeader(const PickerContent& content)
{
    if (plan_.layoutsRow > 0) {
        makeLabel(u"Layouts"_qs, 11, QFont::DemiBold, StyleColor::secondaryLabel, this)
            ->setGeometry(toQRect(plan_.layoutsLabelFrame()));
        for (std::size_t i = 0; i < plan_.layoutChoices.size(); ++i) {
            const auto& choice = plan_.layoutChoices[i];
            auto* button = new LayoutButton(choice.active, choice.title, [apply = content.chooseLayout, i] {
                if (apply)
                    apply(int(i));
            }, this);
            button->setGeometry(toQRect(choice.frame));
            button->setToolTip(choice.toolTip);
            button->setAccessibleName(choice.toolTip);
            layoutButtons_.push_back(button);
        }
    }
    title_ = makeLabel(u"Window Stack"_qs, 13, QFont::DemiBold, StyleColor::label, this);
    title_->setGeometry(toQRect(plan_.titleFrame()));
    // Each names its key while that works.
    const auto tip = [](const QString& what, std::uint32_t command) {
        const QString key = shortcutLabel(nullptr, command);
        return key.isEmpty() ? what : what + u" ("_qs + key + u')';
    };
    const struct {
        const char* symbol;
        QString tip;
        int step;
    } arrows[2] = {{"chevron.left", tip(u"Previous window"_qs, kPreviousCommand), -1},
                   {"chevron.right", tip(u"Next window"_qs, kNextCommand), 1}};
    for (int i = 0; i < 2; ++i) {
        const int step = arrows[i].step;
        auto* button = new ActionButton(QString(), [this, step] {
            if (cycle)
                cycle(step);
        }, this);
        button->setFlat(true);
        button->setFocusPolicy(Qt::NoFocus);
        button->setIcon(QIcon(Symbols::image(QString::fromLatin1(arrows[i].symbol), 16,
                                             styleColor(StyleColor::label, palette()), devicePixelRatioF())));
        button->setToolTip(arrows[i].tip);
        button->setAccessibleName(button->toolTip());
        button->setGeometry(toQRect(plan_.arrowFrame(i)));
        arrows_[i] = button;
    }
    count_ = makeLabel(QString::number(content.members.size()), 12, QFont::Normal, StyleColor::secondaryLabel, this);
    count_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    count_->setGeometry(toQRect(plan_.countFrame()));
}

void WindowStackPicker::buildCards(const PickerContent& content)
{
    scroll_ = new QScrollArea(this);
    scroll_->setFrameShape(QFrame::NoFrame);
    scroll_->setGeometry(toQRect(plan_.scrollFrame()));
    scroll_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll_->setVerticalScrollBarPolicy(plan_.scrolls() ? Qt::ScrollBarAsNeeded : Qt::ScrollBarAlwaysOff);
    scroll_->setAutoFillBackground(false);
    scroll_->viewport()->setAutoFillBackground(false);
    scroll_->setFocusPolicy(Qt::NoFocus);
    document_ = new QWidget;
    document_->resize(int(std::lround(plan_.width - 24)), int(std::lround(plan_.contentHeight)));
    for (const auto& title : plan_.sectionTitles) {
        auto* label = makeLabel(title.text, 11, QFont::DemiBold, StyleColor::secondaryLabel, document_);
        label->setGeometry(toQRect(title.frame));
        sectionLabels_.push_back(label);
    }
    if (plan_.map) {
        // The boxes lie under their titles and cards.
        for (const auto& part : plan_.map->sectionBoxes) {
            auto* platter = new LayoutCardPlatter(document_);
            platter->setGeometry(toQRect(part.box));
            platter->lower();
        }
    }
    for (const auto& planned : plan_.cards) {
        WindowThumbnailButton* card = makeCard(planned.window, content);
        card->setGeometry(toQRect(planned.frame));
        if (plan_.map) {
            const auto& part = plan_.map->sectionBoxes[planned.part];
            if (auto text = StackMapPlan::stretchText(planned.part, part.section.title))
                addStretchButton(card, *text);
        }
    }
    buildSetButton(content);
    scroll_->setWidget(document_);
    document_->setAutoFillBackground(false);
}

WindowThumbnailButton* WindowStackPicker::makeCard(const ManagedWindow& window, const PickerContent& content)
{
    std::optional<QImage> thumb;
    if (auto it = content.thumbnails.find(window); it != content.thumbnails.end() && it->second)
        thumb = thumbnailImage(it->second);
    auto* card = new WindowThumbnailButton(window, thumb, [choose = content.choose, window] {
        if (choose)
            choose(window);
    }, document_);
    card->setFocusPolicy(Qt::StrongFocus);
    card->isCurrentChoice = sameWindow(content.front, window);
    card->setAccessibleName(u"Switch to "_qs + window.appName + u": "_qs + window.title
                            + (card->isCurrentChoice ? u", current window"_qs : QString()));
    card->onHover = [this, window](bool inside) {
        if (peek)
            peek(inside ? std::vector<ManagedWindow>{window} : std::vector<ManagedWindow>{});
    };
    choices_[window] = card;
    ordered_.push_back(card);
    return card;
}

void WindowStackPicker::addStretchButton(WindowThumbnailButton* card, const QString& text)
{
    if (card->accessory)
        delete card->accessory.data();
    const ManagedWindow window = card->choice();
    auto* button = new ActionButton(QString(), [this, window] {
        if (stretch)
            stretch(window);
    }, card);
    button->setFlat(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setIcon(QIcon(Symbols::image(u"arrow.left.and.right"_qs, 14, styleColor(StyleColor::label, palette()),
                                         devicePixelRatioF())));
    button->setToolTip(text + u": "_qs + window.appName + u" joins the windows spanning there, in front"_qs);
    button->setAccessibleName(text + u": "_qs + window.appName);
    button->setAccessibleDescription(text);
    button->setGeometry(card->width() - 30, 6, 24, 22);
    button->setHidden(!card->hovered());
    card->accessory = button;
}

void WindowStackPicker::buildSetButton(const PickerContent& content)
{
    if (!plan_.map || !plan_.map->setBox || !sendToBack_)
        return;
    const auto& sections = content.sections;
    const Rect span = sections.front().frame.value_or(Rect());
    std::vector<ManagedWindow> occupants;
    QStringList occupantApps, spanApps;
    std::vector<WindowSetButton::Region> regions;
    for (std::size_t i = 1; i < sections.size(); ++i) {
        if (!sections[i].frame)
            continue;
        const Rect u = unitRectIn(*sections[i].frame, span);
        WindowSetButton::Region region{QRectF(u.minX(), u.minY(), u.width(), u.height()), std::nullopt};
        if (!sections[i].members.empty()) {
            const ManagedWindow& first = sections[i].members.front();
            occupants.push_back(first);
            occupantApps << first.appName;
            if (WindowThumbnailButton::appIconLookup())
                region.icon = WindowThumbnailButton::appIconLookup()(first.element);
        }
        regions.push_back(std::move(region));
    }
    if (occupants.empty())
        return;
    for (const ManagedWindow& w : sections.front().members)
        spanApps << w.appName;
    const WindowSetTexts texts = WindowSetTexts::make(occupantApps, spanApps);
    auto* button = new WindowSetButton(std::move(regions), texts.heading, texts.detail, sendToBack_, document_);
    button->setGeometry(toQRect(*plan_.map->setBox));
    const auto& spanMembers = sections.front().members;
    button->isCurrentChoice = content.front
                              && std::find(spanMembers.begin(), spanMembers.end(), *content.front) == spanMembers.end();
    button->setToolTip(texts.toolTip);
    button->setAccessibleName(texts.accessibilityLabel);
    button->onHover = [this, occupants](bool inside) {
        if (peek)
            peek(inside ? occupants : std::vector<ManagedWindow>{});
    };
    setChoice_ = button;
}

void WindowStackPicker::setThumbnail(const Thumbnail& image, const ManagedWindow& window)
{
    auto it = choices_.find(window);
    if (it == choices_.end() || !image)
        return;
    it->second->thumbnail = thumbnailImage(image);
    it->second->update();
}

void WindowStackPicker::markCurrent(const std::optional<ManagedWindow>& front)
{
    for (WindowThumbnailButton* card : ordered_) {
        card->isCurrentChoice = sameWindow(front, card->choice());
        card->update();
    }
}

bool WindowStackPicker::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress || !watched->isWidgetType())
        return false;
    if (static_cast<QWidget*>(watched)->window() != window())
        return false;
    auto* key = static_cast<QKeyEvent*>(event);
    return handleKey(key->key(), key->modifiers());
}

bool WindowStackPicker::handleKey(int key, Qt::KeyboardModifiers modifiers)
{
    const SwitcherKey decided = SwitcherKey::decide(key, modifiers, ordered_.size(), bool(sendToBack_));
    switch (decided.kind) {
    case SwitcherKey::Kind::none:
        return false;
    case SwitcherKey::Kind::consumed:
        break;
    case SwitcherKey::Kind::card:
        ordered_[decided.card]->click();
        break;
    case SwitcherKey::Kind::sendToBack: {
        auto action = sendToBack_;
        action();
        break;
    }
    case SwitcherKey::Kind::focus:
        moveFocus(decided.move);
        break;
    case SwitcherKey::Kind::activate:
        clickFocusedOrFirst();
        break;
    case SwitcherKey::Kind::close:
        if (close) {
            auto fn = close;
            fn();
        }
        break;
    }
    return true;
}

WindowThumbnailButton* WindowStackPicker::focusedCard() const
{
    auto* focused = qobject_cast<WindowThumbnailButton*>(window()->focusWidget());
    return std::find(ordered_.begin(), ordered_.end(), focused) != ordered_.end() ? focused : nullptr;
}

void WindowStackPicker::moveFocus(FocusMove move)
{
    std::vector<Rect> frames;
    std::optional<std::size_t> current;
    WindowThumbnailButton* focused = focusedCard();
    for (std::size_t i = 0; i < ordered_.size(); ++i) {
        const QRect r(ordered_[i]->mapTo(this, QPoint(0, 0)), ordered_[i]->size());
        frames.emplace_back(r.x(), r.y(), r.width(), r.height());
        if (ordered_[i] == focused)
            current = i;
    }
    const auto next = nextFocus(frames, current, move);
    if (!next)
        return;
    WindowThumbnailButton* card = ordered_[*next];
    card->setFocus(Qt::TabFocusReason);
    scroll_->ensureWidgetVisible(card, 0, 0);
}

void WindowStackPicker::clickFocusedOrFirst()
{
    if (WindowThumbnailButton* card = focusedCard())
        card->click();
    else if (!ordered_.empty())
        ordered_.front()->click();
}

} // namespace fw
