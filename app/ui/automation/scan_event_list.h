#pragma once
// The scanner log as a list: a model that follows one engine's events row by row (an append
// inserts one row, the oldest row goes when the log is full, a clear empties it), and the
// delegate that draws a row: time, the kind's icon in its colour, the message.

#include <QAbstractListModel>
#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <deque>

#include "core/scan_event.h"

namespace quillon {
class ScannerEngine;
}

namespace quillon::ui {

// The symbol name and colour a kind is shown with.
std::string_view kindSymbol(ScanEvent::Kind kind);
QColor kindColor(ScanEvent::Kind kind, const QPalette& palette);

class ScanEventListModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum Role { kindRole = Qt::UserRole + 1, timeRole };

    explicit ScanEventListModel(const ScannerEngine& engine, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    // Display: the message; kindRole: the kind as an int; timeRole: "HH:mm:ss".
    QVariant data(const QModelIndex& index, int role) const override;

private:
    void append(const ScanEvent& event);
    void follow();

    const ScannerEngine& engine_;
    std::deque<ScanEvent> rows_;
};

class ScanEventDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    const QPixmap& icon(ScanEvent::Kind kind, const QColor& color) const;

    mutable QHash<QString, QPixmap> icons_;  // by kind and colour
};

}  // namespace quillon::ui
