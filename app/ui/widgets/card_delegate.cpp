#include "app/ui/widgets/card_delegate.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QContextMenuEvent>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

#include "app/ui/widgets/card_accessibility.h"
#include "app/ui/widgets/components.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/plain_text.h"
#include "app/ui/widgets/theme.h"

namespace quillon::ui {

CardDelegate::CardDelegate(int cardHeight, QObject* parent) : QStyledItemDelegate(parent), cardHeight_(cardHeight) {}

QRect CardDelegate::cardRect(const QRect& row) { return row.adjusted(0, gap / 2, -2, -gap / 2); }

QSize CardDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const { return {320, cardHeight_ + gap}; }

std::vector<QRect> CardDelegate::buttonRects(const QRect& row, const std::vector<CardButton>& buttons, const QFont& font) const {
    const QFontMetrics metrics(font);
    const QRect card = cardRect(row);
    const int height = metrics.height() + 12;
    const int top = card.center().y() - height / 2;
    std::vector<QRect> rects(buttons.size());
    int right = card.right() - padding;
    for (int i = int(buttons.size()) - 1; i >= 0; --i) {
        const CardButton& b = buttons[std::size_t(i)];
        int width = b.text.isEmpty() ? height : metrics.horizontalAdvance(b.text) + 24;
        if (!b.symbol.empty() && !b.text.isEmpty()) width += 20;
        if (b.style == CardButton::Style::toggle) width = b.text.isEmpty() ? 24 : metrics.horizontalAdvance(b.text) + 28;
        rects[std::size_t(i)] = QRect(right - width, top, width, height);
        right -= width + 6;
    }
    return rects;
}

QRect CardDelegate::contentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QRect card = cardRect(option.rect).adjusted(padding, 0, -padding, 0);
    const auto rects = buttonRects(option.rect, buttons(index), option.font);
    if (rects.empty()) return card;
    return QRect(card.left(), card.top(), rects.front().left() - 8 - card.left(), card.height());
}

void CardDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QRect card = cardRect(option.rect);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    QColor border = option.palette.color(QPalette::Mid);
    if (option.state & QStyle::State_Selected) border = option.palette.color(QPalette::Highlight);
    painter->setPen(QPen(border, 0.6));
    painter->setBrush(Theme::cardBackground(option.palette));
    painter->drawRoundedRect(QRectF(card).adjusted(0.5, 0.5, -0.5, -0.5), 10, 10);
    painter->restore();
    if (option.state & QStyle::State_HasFocus) paintFocusRing(*painter, option.palette, card);

    painter->save();
    paintContent(*painter, option, index, contentRect(option, index));
    painter->restore();

    const auto all = buttons(index);
    const auto rects = buttonRects(option.rect, all, option.font);
    for (std::size_t i = 0; i < all.size(); ++i)
        paintButton(*painter, option, all[i], rects[i], hovered_ == index && hoveredButton_ == int(i));
}

void CardDelegate::paintFocusRing(QPainter& painter, const QPalette& palette, const QRect& card) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(palette.color(QPalette::Highlight), focusRingWidth));
    painter.setBrush(Qt::NoBrush);
    const qreal inset = focusRingWidth / 2.0;
    painter.drawRoundedRect(QRectF(card).adjusted(inset, inset, -inset, -inset), 10, 10);
    painter.restore();
}

void CardDelegate::paintText(QPainter& painter, const QStyleOptionViewItem& option, const QRect& content, const CardText& text) {
    const QPalette& palette = option.palette;
    const QSize iconSize = text.icon.deviceIndependentSize().toSize();
    painter.drawPixmap(content.left(), content.center().y() - iconSize.height() / 2, text.icon);

    const int left = content.left() + iconSize.width() + 12;
    const int width = content.right() - left;
    QFont bold = option.font;
    bold.setBold(true);
    const QFontMetrics boldMetrics(bold);
    const QFont caption = Paint::captionFont(option.font);
    const QFontMetrics captionMetrics(caption);
    const int top = content.center().y() - (boldMetrics.height() + captionMetrics.height() + 3) / 2;

    int badgesWidth = text.state ? text.state->size(option.font).width() + 6 : 0;
    for (const auto& badge : text.badges) badgesWidth += Paint::badgeSize(badge.first, option.font).width() + 6;
    const QString title = boldMetrics.elidedText(text.title, Qt::ElideRight, std::max(40, width - badgesWidth));
    painter.setFont(bold);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(QRect(left, top, width, boldMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter, title);
    int x = left + boldMetrics.horizontalAdvance(title) + 8;
    if (text.state) {
        const QSize size = text.state->size(option.font);
        text.state->paint(painter, QRect(QPoint(x, top + (boldMetrics.height() - size.height()) / 2), size), option.font, palette);
        x += size.width() + 6;
    }
    for (const auto& [badge, color] : text.badges) {
        const QSize size = Paint::badgeSize(badge, option.font);
        Paint::badge(painter, QRect(QPoint(x, top + (boldMetrics.height() - size.height()) / 2), size), badge, color, option.font);
        x += size.width() + 6;
    }
    painter.setFont(caption);
    painter.setPen(Theme::secondary(palette));
    painter.drawText(QRect(left, top + boldMetrics.height() + 3, width, captionMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     captionMetrics.elidedText(text.caption, Qt::ElideRight, width));
}

void CardDelegate::paintButton(QPainter& painter, const QStyleOptionViewItem& option, const CardButton& button,
                               const QRect& rect, bool hovered) const {
    QStyle* style = QApplication::style();
    QStyle::State state = button.enabled ? QStyle::State_Enabled : QStyle::State_None;
    if (hovered && button.enabled) {
        state |= QStyle::State_MouseOver;
        if (pressed_) state |= QStyle::State_Sunken;
    }
    if (button.style == CardButton::Style::toggle) {
        QStyleOptionButton look;
        look.rect = rect;
        look.text = button.text;
        look.palette = option.palette;
        look.state = state | (button.checked ? QStyle::State_On : QStyle::State_Off);
        style->drawControl(QStyle::CE_CheckBox, &look, &painter, option.widget);
        return;
    }
    QStyleOptionButton look;
    look.rect = rect;
    look.text = button.text;
    if (!button.symbol.empty()) look.icon = Icons::symbol(button.symbol);
    look.iconSize = QSize(16, 16);
    look.palette = option.palette;
    look.state = state | QStyle::State_Raised;
    if (button.style == CardButton::Style::flat) {
        look.features = QStyleOptionButton::Flat;
        if (!(state & QStyle::State_MouseOver)) look.state &= ~QStyle::State_Raised;
    }
    style->drawControl(QStyle::CE_PushButton, &look, &painter, option.widget);
}

bool CardDelegate::editorEvent(QEvent* event, QAbstractItemModel*, const QStyleOptionViewItem& option, const QModelIndex& index) {
    const auto type = event->type();
    if (type != QEvent::MouseMove && type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
        type != QEvent::MouseButtonDblClick)
        return false;
    const QPoint position = static_cast<QMouseEvent*>(event)->position().toPoint();
    const auto all = buttons(index);
    const auto rects = buttonRects(option.rect, all, option.font);
    std::optional<int> under;
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (rects[i].contains(position) && all[i].enabled) under = int(i);
    if (hovered_ != index || hoveredButton_ != under) {
        const QModelIndex previous = hovered_;
        hovered_ = index;
        hoveredButton_ = under;
        if (auto* view = qobject_cast<QAbstractItemView*>(const_cast<QWidget*>(option.widget))) {
            view->update(previous);
            view->update(index);
        }
    }
    if ((type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick) && under) {
        pressed_ = under;
        return true;
    }
    if (type == QEvent::MouseButtonRelease) {
        const auto pressed = std::exchange(pressed_, std::nullopt);
        if (under && pressed == under) {
            emit buttonClicked(index, all[std::size_t(*under)].id);
            return true;
        }
    }
    return false;
}

bool CardDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                             const QModelIndex& index) {
    const auto all = buttons(index);
    const auto rects = buttonRects(option.rect, all, option.font);
    for (std::size_t i = 0; i < rects.size(); ++i)
        if (rects[i].contains(event->pos()) && !all[i].toolTip.isEmpty()) {
            QToolTip::showText(event->globalPos(), plainToolTip(all[i].toolTip), view);
            return true;
        }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

void CardDelegate::addButtonsTo(QMenu& menu, const QModelIndex& index) {
    const QPersistentModelIndex row(index);
    for (const CardButton& button : buttons(index)) {
        if (!button.enabled) continue;
        const QString text = button.text.isEmpty() ? button.toolTip : button.text;
        QAction* action = menu.addAction(button.symbol.empty() ? QIcon() : Icons::symbol(button.symbol), text);
        if (button.style == CardButton::Style::toggle) {
            action->setCheckable(true);
            action->setChecked(button.checked);
        }
        connect(action, &QAction::triggered, this, [this, row, id = button.id] {
            if (row.isValid()) emit buttonClicked(row, id);
        });
    }
}

void CardDelegate::click(const QModelIndex& index, int id) { emit buttonClicked(index, id); }

CardListView::CardListView(QWidget* parent) : QListView(parent) {
    installCardAccessibility();
    setMouseTracking(true);
    setUniformItemSizes(true);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setFrameShape(QFrame::NoFrame);
    viewport()->setAutoFillBackground(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
}

void CardListView::useButtonMenu(CardDelegate* delegate) {
    connect(this, &CardListView::menuRequested, delegate, [this, delegate](const QModelIndex& index, const QPoint& at) {
        // Not exec(): the screen owning this list may be deleted while the menu is open.
        auto* menu = new QMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        delegate->addButtonsTo(*menu, index);
        menu->popup(at);
    });
}

void CardListView::setGrowsWithRows(bool grows) {
    grows_ = grows;
    setVerticalScrollBarPolicy(grows ? Qt::ScrollBarAlwaysOff : Qt::ScrollBarAsNeeded);
    setSizePolicy(QSizePolicy::Expanding, grows ? QSizePolicy::Fixed : QSizePolicy::Expanding);
    updateGeometry();
}

void CardListView::setModel(QAbstractItemModel* model) {
    QListView::setModel(model);
    if (!model) return;
    auto follow = [this] {
        if (grows_) updateGeometry();
    };
    connect(model, &QAbstractItemModel::rowsInserted, this, follow);
    connect(model, &QAbstractItemModel::rowsRemoved, this, follow);
    connect(model, &QAbstractItemModel::modelReset, this, follow);
    connect(model, &QAbstractItemModel::layoutChanged, this, follow);
}

QSize CardListView::sizeHint() const {
    if (!grows_ || !model()) return QListView::sizeHint();
    const int rows = model()->rowCount(rootIndex());
    const int height = rows == 0 ? 0 : rows * sizeHintForRow(0);  // rows are uniform
    return {QListView::sizeHint().width(), height + 2 * frameWidth()};
}

QSize CardListView::minimumSizeHint() const { return grows_ ? QSize(0, sizeHint().height()) : QListView::minimumSizeHint(); }

void CardListView::contextMenuEvent(QContextMenuEvent* event) {
    if (event->reason() == QContextMenuEvent::Mouse) {
        const QModelIndex index = indexAt(event->pos());
        if (index.isValid()) emit menuRequested(index, event->globalPos());
        return;
    }
    requestCurrentMenu();
}

void CardListView::requestCurrentMenu() {
    QModelIndex index = currentIndex();
    if (!index.isValid() && model() && model()->rowCount(rootIndex()) > 0) {
        index = model()->index(0, 0, rootIndex());
        setCurrentIndex(index);
    }
    if (!index.isValid()) return;
    scrollTo(index);
    emit menuRequested(index, viewport()->mapToGlobal(visualRect(index).center()));
}

void CardListView::keyPressEvent(QKeyEvent* event) {
    // The desktop turns the menu key into a context-menu event on some platforms only, and
    // Shift+F10 on none: both are answered here. A menu already open takes the keys itself.
    if (isMenuKey(*event)) {
        if (!QApplication::activePopupWidget()) requestCurrentMenu();
        return event->accept();
    }
    QListView::keyPressEvent(event);
}

bool isMenuKey(const QKeyEvent& event) {
    const auto modifiers = event.modifiers() & ~Qt::KeypadModifier;
    return (event.key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
           (event.key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier);
}

}  // namespace quillon::ui

#include "moc_card_delegate.cpp"
