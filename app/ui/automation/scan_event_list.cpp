#include "app/ui/automation/scan_event_list.h"

#include <QFontDatabase>
#include <QPainter>

#include "app/scanner_engine.h"
#include "app/ui/widgets/icons.h"
#include "app/ui/widgets/plain_text.h"
#include "app/ui/widgets/theme.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

using EventKind = ScanEvent::Kind;

std::string_view kindSymbol(EventKind kind) {
    switch (kind) {
        case EventKind::info: return "info.circle";
        case EventKind::sessionAdded: return "plus.circle";
        case EventKind::sessionRemoved: return "minus.circle";
        case EventKind::sessionRenamed: return "pencil.circle";
        case EventKind::windowAdded: return "macwindow.badge.plus";
        case EventKind::windowRemoved: return "macwindow";
        case EventKind::windowRenamed: return "pencil.circle";
        case EventKind::paneChanged: return "arrow.triangle.2.circlepath";
        case EventKind::error: return "exclamationmark.triangle";
    }
    return "info.circle";
}

QColor kindColor(EventKind kind, const QPalette& palette) {
    switch (kind) {
        case EventKind::sessionAdded:
        case EventKind::windowAdded: return Theme::green();
        case EventKind::sessionRemoved:
        case EventKind::windowRemoved: return Theme::orange();
        case EventKind::sessionRenamed:
        case EventKind::windowRenamed:
        case EventKind::paneChanged: return Theme::blue();
        case EventKind::error: return Theme::red();
        case EventKind::info: break;
    }
    return Theme::secondary(palette);
}

// ---- ScanEventListModel ----

ScanEventListModel::ScanEventListModel(const ScannerEngine& engine, QObject* parent)
    : QAbstractListModel(parent), engine_(engine), rows_(engine.events()) {
    connect(&engine, &ScannerEngine::eventAppended, this, &ScanEventListModel::append);
    connect(&engine, &ScannerEngine::eventsChanged, this, &ScanEventListModel::follow);
}

int ScanEventListModel::rowCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : int(rows_.size()); }

QVariant ScanEventListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const ScanEvent& event = rows_[std::size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: return plainToolTip(qs(event.message));
        case Qt::AccessibleTextRole: return clockTime(event.timestamp) + QStringLiteral(" ") + qs(event.message);
        case kindRole: return int(event.kind);
        case timeRole: return clockTime(event.timestamp);
        default: return {};
    }
}

void ScanEventListModel::append(const ScanEvent& event) {
    // The engine has already dropped what no longer fits; drop the same rows here.
    const std::size_t overflow = rows_.size() + 1 > ScannerEngine::maxEvents ? rows_.size() + 1 - ScannerEngine::maxEvents : 0;
    if (overflow > 0) {
        beginRemoveRows({}, 0, int(overflow) - 1);
        rows_.erase(rows_.begin(), rows_.begin() + std::ptrdiff_t(overflow));
        endRemoveRows();
    }
    const int row = int(rows_.size());
    beginInsertRows({}, row, row);
    rows_.push_back(event);
    endInsertRows();
}

void ScanEventListModel::follow() {
    // Appends arrive one by one above; anything else (a clear) is taken whole.
    if (engine_.events().size() == rows_.size()) return;
    beginResetModel();
    rows_ = engine_.events();
    endResetModel();
}

// ---- ScanEventDelegate ----

QSize ScanEventDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {200, option.fontMetrics.height() + 8};
}

const QPixmap& ScanEventDelegate::icon(EventKind kind, const QColor& color) const {
    const QString key = QString::number(int(kind)) + color.name(QColor::HexArgb);
    auto found = icons_.find(key);
    if (found == icons_.end()) found = icons_.insert(key, Icons::tinted(kindSymbol(kind), color, 14).pixmap(14, 14));
    return *found;
}

void ScanEventDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem base = option;
    initStyleOption(&base, index);
    base.text.clear();  // the background and selection only
    option.widget->style()->drawControl(QStyle::CE_ItemViewItem, &base, painter, option.widget);

    const bool selected = option.state & QStyle::State_Selected;
    const QPalette& palette = option.palette;
    const QRect row = option.rect.adjusted(6, 0, -6, 0);
    const EventKind kind = EventKind(index.data(ScanEventListModel::kindRole).toInt());

    painter->save();
    QFont mono = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    mono.setPointSizeF(option.font.pointSizeF() * 0.9);
    const QString time = index.data(ScanEventListModel::timeRole).toString();
    const int timeWidth = QFontMetrics(mono).horizontalAdvance(QStringLiteral("00:00:00")) + 10;
    painter->setFont(mono);
    painter->setPen(selected ? palette.color(QPalette::HighlightedText) : Theme::secondary(palette));
    painter->drawText(QRect(row.left(), row.top(), timeWidth, row.height()), Qt::AlignLeft | Qt::AlignVCenter, time);

    const int iconLeft = row.left() + timeWidth;
    painter->drawPixmap(iconLeft, row.center().y() - 7, icon(kind, kindColor(kind, palette)));

    const QRect message(iconLeft + 14 + 8, row.top(), row.right() - iconLeft - 22, row.height());
    painter->setFont(option.font);
    painter->setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(message, Qt::AlignLeft | Qt::AlignVCenter,
                      option.fontMetrics.elidedText(index.data().toString(), Qt::ElideRight, message.width()));
    painter->restore();
}

}  // namespace quillon::ui

#include "moc_scan_event_list.cpp"
