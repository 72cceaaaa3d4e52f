#include "app/ui/sessions/pane_rows.h"

#include <QFontDatabase>
#include <QPainter>

#include "app/ui/widgets/components.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

QVariant PaneListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const TmuxPane& pane = at(index.row());
    switch (role) {
        case Qt::DisplayRole: return qs(pane.target);
        case Qt::AccessibleTextRole: {
            QString text = QStringLiteral("Pane ") + qs(pane.target) + QStringLiteral(", ") + qs(pane.command) +
                           (pane.isActive ? QStringLiteral(", ") + qL("activ", "active") : QString());
            if (const auto state = stateAt(index.row())) text += QStringLiteral(", ") + state->text();
            return text;
        }
        case Qt::ToolTipRole: {
            const auto state = stateAt(index.row());
            return state ? state->text() : QVariant();
        }
        case StateBadge::role: {
            const auto state = stateAt(index.row());
            return state ? QVariant::fromValue(*state) : QVariant();
        }
        default: return {};
    }
}

void PaneListModel::setPanes(std::vector<TmuxPane> panes) {
    replaceRows(std::move(panes), [](const TmuxPane& p) -> const std::string& { return p.target; });
}

void PaneListModel::showStates(PaneAttention* attention) {
    if (attention_) disconnect(attention_, nullptr, this, nullptr);
    attention_ = attention;
    if (attention_) connect(attention_, &PaneAttention::statesChanged, this, &PaneListModel::followStates);
    followStates();
}

std::optional<StateBadge> PaneListModel::stateAt(int row) const {
    if (!attention_ || row < 0 || row >= rowCount()) return std::nullopt;
    return StateBadge::of(attention_->statusOf(at(row).paneID), true);
}

void PaneListModel::followStates() {
    shown_.follow(
        rowCount(), [this](int row) -> const std::string& { return at(row).target; }, [this](int row) { return stateAt(row); },
        [this](int first, int last) { emit dataChanged(index(first), index(last)); });
}

PaneRowDelegate::PaneRowDelegate(Style style, QObject* parent) : CardDelegate(rowHeight, parent), style_(style) {}

std::vector<CardButton> PaneRowDelegate::buttons(const QModelIndex&) const {
    if (style_ == Style::process) return {};
    return {
        {preview, "eye", {}, qL("Vezi conținutul pane-ului", "View pane content"), CardButton::Style::flat},
        {exportScrollback, "square.and.arrow.down", {},
         qL("Exportă scrollback-ul complet în fișier", "Export full scrollback to file"), CardButton::Style::flat},
    };
}

QString PaneRowDelegate::sizeLine(const TmuxPane& pane) {
    return QString::number(pane.width) + QStringLiteral("×") + QString::number(pane.height) + QStringLiteral(" · pid ") +
           QString::number(pane.pid);
}

void PaneRowDelegate::paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                                   const QRect& content) const {
    const TmuxPane& pane = static_cast<const PaneListModel*>(index.model())->at(index.row());
    const QPalette& palette = option.palette;
    const int mid = content.center().y();
    const int left = content.left() + 14;
    const int width = content.right() - left;

    QFont first = option.font;
    QString firstLine = QString::number(pane.index) + QStringLiteral("  ") + qs(pane.command);
    QString secondLine = sizeLine(pane) + QStringLiteral("   ") + qs(pane.path);
    if (style_ == Style::process) {
        first = QFontDatabase::systemFont(QFontDatabase::FixedFont);
        firstLine = qs(pane.target) + QStringLiteral("  ") + qs(pane.command);
        secondLine = qs(pane.path) + QStringLiteral("   pid ") + QString::number(pane.pid);
    }
    const QFontMetrics firstMetrics(first);
    QRect firstRect(left, mid - firstMetrics.height() - 1, width, firstMetrics.height());
    if (const auto state = static_cast<const PaneListModel*>(index.model())->stateAt(index.row())) {
        const QSize size = state->size(option.font);
        const QRect badge(firstRect.right() - size.width(), firstRect.center().y() - size.height() / 2, size.width(), size.height());
        state->paint(painter, badge, option.font, palette);
        firstRect.setRight(badge.left() - 8);
    }
    Paint::statusDot(painter, QRectF(content.left() - 4, firstRect.top(), 16, firstRect.height()), pane.isActive, palette);
    painter.setFont(first);
    painter.setPen(palette.color(QPalette::Text));
    painter.drawText(firstRect, Qt::AlignLeft | Qt::AlignVCenter,
                     firstMetrics.elidedText(firstLine, Qt::ElideRight, firstRect.width()));
    const QFont caption = Paint::captionFont(option.font);
    const QFontMetrics captionMetrics(caption);
    painter.setFont(caption);
    painter.setPen(Theme::secondary(palette));
    painter.drawText(QRect(left, mid + 1, width, captionMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     captionMetrics.elidedText(secondLine, Qt::ElideMiddle, width));
}

void fitListToRows(CardListView& list, int rowHeight) {
    const int rows = list.model() ? list.model()->rowCount() : 0;
    list.setFixedHeight(rows * (rowHeight + CardDelegate::gap) + 2);
}

}  // namespace quillon::ui

#include "moc_pane_rows.cpp"
