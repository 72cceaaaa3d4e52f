#pragma once
// Cards in a list: a delegate that paints each row as a rounded card with a row of buttons on
// its right, tracks hover and presses on them, and reports clicks. Subclasses paint the
// card's content and say which buttons a row has. CardListView opens a row's menu from the
// mouse or the menu key, so every card action is also reachable from the keyboard and by a
// screen reader (addButtonsTo puts the same actions in that menu).

#include <QListView>
#include <QPixmap>
#include <QStyledItemDelegate>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "app/ui/widgets/state_badge.h"

class QKeyEvent;
class QMenu;

namespace quillon::ui {

struct CardButton {
    enum class Style { push, flat, toggle };
    int id = 0;  // the subclass's own action number
    std::string symbol;  // empty: text only
    QString text;        // empty: icon only (then the tooltip names it)
    QString toolTip;
    Style style = Style::push;
    bool checked = false;  // toggle
    bool enabled = true;
};

class CardDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int gap = 6;  // between cards
    static constexpr int padding = 12;
    static constexpr qreal focusRingWidth = 2.5;

    explicit CardDelegate(int cardHeight, QObject* parent = nullptr);

    // The buttons of a row, left to right.
    virtual std::vector<CardButton> buttons(const QModelIndex& index) const = 0;
    // Where the buttons sit inside a row's rectangle.
    std::vector<QRect> buttonRects(const QRect& row, const std::vector<CardButton>& buttons, const QFont& font) const;
    // The card's rectangle in a row, and the part left of the buttons for the content.
    static QRect cardRect(const QRect& row);
    QRect contentRect(const QStyleOptionViewItem& option, const QModelIndex& index) const;
    // One action per enabled button; choosing it reports the click.
    void addButtonsTo(QMenu& menu, const QModelIndex& index);
    // Reports a click as a mouse on the button would.
    void click(const QModelIndex& index, int id);

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

signals:
    void buttonClicked(const QModelIndex& index, int id);

protected:
    // The usual content of a card: an icon, a bold title followed by badges (the state's
    // first), and a caption line under them in the secondary colour.
    struct CardText {
        QPixmap icon;
        QString title;
        QString caption;
        std::vector<std::pair<QString, QColor>> badges;
        std::optional<StateBadge> state = std::nullopt;
    };
    static void paintText(QPainter& painter, const QStyleOptionViewItem& option, const QRect& content, const CardText& text);

    // The ring around the card that holds the keyboard focus.
    static void paintFocusRing(QPainter& painter, const QPalette& palette, const QRect& card);

    // The card's own content, inside content.
    virtual void paintContent(QPainter& painter, const QStyleOptionViewItem& option, const QModelIndex& index,
                              const QRect& content) const = 0;

private:
    void paintButton(QPainter& painter, const QStyleOptionViewItem& option, const CardButton& button, const QRect& rect,
                     bool hovered) const;

    int cardHeight_;
    QPersistentModelIndex hovered_;
    std::optional<int> hoveredButton_;  // position in buttons()
    std::optional<int> pressed_;
};

// The keys that ask for the focused item's menu: Menu, and Shift+F10.
bool isMenuKey(const QKeyEvent& event);

// A list of cards: pixel scrolling, hover tracking, no frame, and a menu per row.
class CardListView : public QListView {
    Q_OBJECT
public:
    explicit CardListView(QWidget* parent = nullptr);

    // Answers menu requests with a menu of the delegate's buttons.
    void useButtonMenu(CardDelegate* delegate);
    // Grows with its rows instead of scrolling, for a list inside a scrolling page.
    void setGrowsWithRows(bool grows);
    void setModel(QAbstractItemModel* model) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;
    // The current card's menu (the first card's when none is current), as the menu key asks.
    void requestCurrentMenu();

signals:
    // Right click on a card, or the menu key on the current one.
    void menuRequested(const QModelIndex& index, const QPoint& globalPosition);

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool grows_ = false;
};

}  // namespace quillon::ui
