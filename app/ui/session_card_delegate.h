#pragma once
// Paints one dashboard card per session row: status dot, name, attached/detached and idle
// badges, "N windows · created <when>", and the folder and attach buttons, which it also
// hit-tests. The relative time is computed at paint time, so a repaint keeps it current.

#include <QStyledItemDelegate>

#include "core/tmux_model.h"

namespace quillon {
class AppEnvironment;
}

namespace quillon::ui {

class SessionCardDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    enum class Button { folder, attach };

    explicit SessionCardDelegate(AppEnvironment& env, QObject* parent = nullptr);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Where a card's button sits within the card's row rectangle.
    QRect buttonRect(const QRect& row, Button button, const QFont& font) const;
    // The line under the name: "3 windows · created 5 min. ago".
    static QString detailLine(const TmuxSession& session, TimePoint now);

signals:
    void buttonClicked(int row, quillon::ui::SessionCardDelegate::Button button);

private:
    QString label(Button button) const;
    const char* symbol(Button button) const;

    AppEnvironment& env_;
    QPersistentModelIndex hovered_;
    std::optional<Button> hoveredButton_;
    std::optional<Button> pressed_;
};

}  // namespace quillon::ui
