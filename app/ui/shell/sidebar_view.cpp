#include "app/ui/shell/sidebar_view.h"

#include <QHeaderView>
#include <QPainter>
#include <QStyledItemDelegate>

#include "app/ui/widgets/components.h"
#include "app/ui/widgets/state_badge.h"
#include "app/ui/widgets/theme.h"

namespace quillon::ui {
namespace {

class SidebarDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setHeight(std::max(size.height(), index.data(SidebarModel::IsSectionRole).toBool() ? 30 : 26));
        return size;
    }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.data(SidebarModel::IsSectionRole).toBool()) return paintSection(painter, option, index);
        if (!index.data(SidebarModel::IsSessionRole).toBool()) {
            QStyleOptionViewItem plain = option;
            plain.state &= ~QStyle::State_HasFocus;  // the ring below replaces the style's faint one
            if (!(index.flags() & Qt::ItemIsSelectable)) {  // the "no sessions" line
                plain.palette.setColor(QPalette::Text, Theme::secondary(option.palette));
                plain.font = Paint::captionFont(option.font);
            }
            QStyledItemDelegate::paint(painter, plain, index);
        } else {
            paintSession(painter, option, index);
        }
        if (option.state & QStyle::State_HasFocus) paintFocusRing(painter, option);
    }

private:
    // A ring a keyboard user sees on the row that has the focus, selected or not.
    static void paintFocusRing(QPainter* painter, const QStyleOptionViewItem& option) {
        const bool selected = option.state & QStyle::State_Selected;
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing);
        painter->setPen(QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Highlight), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(QRectF(option.rect).adjusted(2, 2, -2, -2), 5, 5);
        painter->restore();
    }

    static void paintSection(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) {
        painter->save();
        QFont font = Paint::captionFont(option.font);
        font.setBold(true);
        painter->setFont(font);
        painter->setPen(Theme::secondary(option.palette));
        painter->drawText(option.rect.adjusted(4, 8, 0, 0), Qt::AlignLeft | Qt::AlignVCenter,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

    void paintSession(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
        QStyleOptionViewItem base = option;
        initStyleOption(&base, index);
        base.text.clear();
        base.state &= ~QStyle::State_HasFocus;
        base.widget->style()->drawControl(QStyle::CE_ItemViewItem, &base, painter, base.widget);
        const QRect r = option.rect.adjusted(6, 0, -8, 0);
        Paint::statusDot(*painter, QRectF(r.left(), r.top(), 10, r.height()), index.data(SidebarModel::AttachedRole).toBool(),
                         option.palette);
        const bool selected = option.state & QStyle::State_Selected;
        const QColor text = option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
        const QString count = QString::number(index.data(SidebarModel::WindowCountRole).toLongLong());
        const QFont small = Paint::captionFont(option.font);
        const int countWidth = QFontMetrics(small).horizontalAdvance(count);
        painter->save();
        painter->setFont(small);
        painter->setPen(selected ? text : Theme::secondary(option.palette));
        painter->drawText(QRect(r.right() - countWidth, r.top(), countWidth, r.height()), Qt::AlignRight | Qt::AlignVCenter, count);
        int nameRight = r.right() - countWidth - 8;
        if (const QVariant state = index.data(StateBadge::role); state.isValid()) {
            const StateBadge badge = state.value<StateBadge>();
            // The badge gives up room to the name down to a few characters.
            const int room = nameRight - (r.left() + 16) - QFontMetrics(option.font).averageCharWidth() * 6;
            QSize size = badge.size(option.font);
            size.setWidth(std::min(size.width(), room));
            if (size.width() >= size.height() + 10) {
                const QRect badgeRect(nameRight - size.width(), r.center().y() - size.height() / 2, size.width(), size.height());
                badge.paint(*painter, badgeRect, option.font, option.palette, selected);
                nameRight = badgeRect.left() - 6;
            }
        }
        painter->setFont(option.font);
        painter->setPen(text);
        const QRect nameRect(r.left() + 16, r.top(), nameRight - r.left() - 16, r.height());
        const QString name = QFontMetrics(option.font).elidedText(index.data().toString(), Qt::ElideRight, nameRect.width());
        painter->drawText(nameRect, Qt::AlignLeft | Qt::AlignVCenter, name);
        painter->restore();
    }
};

}  // namespace

SidebarView::SidebarView(SidebarModel& model, QWidget* parent) : QTreeView(parent), model_(model) {
    setModel(&model);
    setItemDelegate(new SidebarDelegate(this));
    header()->hide();
    setRootIsDecorated(false);
    setItemsExpandable(false);
    setIndentation(8);
    setUniformRowHeights(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // One column, so items are rows; and Qt's accessible tree selects a whole row by its
    // position among all rows, but is handed the row's position under its section, so a
    // screen reader's "toggle" would select another row. By item it selects the row itself.
    setSelectionBehavior(QAbstractItemView::SelectItems);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    expandAll();
    connect(&model, &QAbstractItemModel::rowsInserted, this, [this] { expandAll(); });
    connect(&model, &QAbstractItemModel::modelReset, this, [this] { expandAll(); });
    connect(&model, &SidebarModel::sessionRowsChanging, this, [this] { updating_ = true; });
    connect(&model, &SidebarModel::sessionRowsChanged, this, [this] { showSelection(shown_); });
    connect(selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& current) {
        if (updating_) return;
        if (auto item = model_.itemAt(current)) {
            shown_ = *item;
            emit itemChosen(*item);
        }
    });
    // A screen reader's "toggle" on a row selects it without moving the current row.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, this, [this](const QItemSelection& selected) {
        if (updating_ || selected.indexes().size() != 1) return;
        const QModelIndex index = selected.indexes().front();
        if (index != currentIndex() && model_.itemAt(index)) {
            updating_ = true;
            selectionModel()->setCurrentIndex(index, QItemSelectionModel::NoUpdate);
            updating_ = false;
            shown_ = *model_.itemAt(index);
            emit itemChosen(shown_);
        }
    });
    connect(this, &QAbstractItemView::activated, this, [this](const QModelIndex& index) {
        if (auto item = model_.itemAt(index)) emit itemOpened(*item);
    });
}

void SidebarView::showSelection(const SidebarItem& item) {
    updating_ = true;
    shown_ = item;
    const QModelIndex index = model_.indexOf(item);
    if (index.isValid()) selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
    else selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::Clear);
    updating_ = false;
}

QModelIndex SidebarView::moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) {
    QModelIndex next = QTreeView::moveCursor(action, modifiers);
    const bool forward = action == MoveDown || action == MoveNext || action == MovePageDown || action == MoveHome;
    while (next.isValid() && !(model()->flags(next) & Qt::ItemIsSelectable)) {
        const QModelIndex further = forward ? indexBelow(next) : indexAbove(next);
        if (!further.isValid()) return currentIndex();
        next = further;
    }
    return next;
}

}  // namespace quillon::ui

#include "moc_sidebar_view.cpp"
