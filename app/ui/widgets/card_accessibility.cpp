#include "app/ui/widgets/card_accessibility.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPersistentModelIndex>
#include <QPointer>

#include <algorithm>
#include <mutex>
#include <utility>
#include <vector>

#include "app/ui/widgets/card_delegate.h"

namespace quillon::ui {
namespace {

// One card: an item whose actions are its buttons.
class CardAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CardAccessible(CardListView* view, const QModelIndex& index) : view_(view), index_(index) {}

    bool isValid() const override { return view_ && index_.isValid(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return view_ ? view_->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return view_ ? QAccessible::queryAccessibleInterface(view_) : nullptr; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }
    QAccessible::Role role() const override { return QAccessible::ListItem; }
    void setText(QAccessible::Text, const QString&) override {}

    QString text(QAccessible::Text t) const override {
        if (!isValid()) return {};
        if (t == QAccessible::Name) {
            const QString text = index_.data(Qt::AccessibleTextRole).toString();
            return text.isEmpty() ? index_.data(Qt::DisplayRole).toString() : text;
        }
        if (t == QAccessible::Description) return index_.data(Qt::AccessibleDescriptionRole).toString();
        return {};
    }

    QRect rect() const override {
        if (!isValid()) return {};
        const QRect area = view_->visualRect(index_);
        return QRect(view_->viewport()->mapToGlobal(area.topLeft()), area.size());
    }

    QAccessible::State state() const override {
        QAccessible::State state;
        if (!isValid()) return state.invalid = true, state;
        state.focusable = true;
        state.selectable = true;
        state.focused = view_->hasFocus() && view_->currentIndex() == index_;
        state.selected = view_->selectionModel() && view_->selectionModel()->isSelected(index_);
        state.invisible = !view_->isVisible() || !view_->viewport()->rect().intersects(view_->visualRect(index_));
        return state;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this) : nullptr;
    }

    QStringList actionNames() const override {
        QStringList names{pressAction(), showMenuAction()};
        for (const auto& [name, id] : buttons()) names << name;
        return names;
    }

    QString localizedActionName(const QString& name) const override {
        return name == pressAction() || name == showMenuAction() ? QAccessibleActionInterface::localizedActionName(name) : name;
    }

    QString localizedActionDescription(const QString& name) const override {
        if (name == pressAction() || name == showMenuAction())
            return QAccessibleActionInterface::localizedActionDescription(name);
        if (!isValid()) return {};
        for (const CardButton& button : delegate()->buttons(index_))
            if (buttonName(button) == name) return button.toolTip;
        return {};
    }

    QStringList keyBindingsForAction(const QString& name) const override {
        if (name == pressAction()) return {QStringLiteral("Return")};
        if (name == showMenuAction()) return {QStringLiteral("Menu"), QStringLiteral("Shift+F10")};
        return {};
    }

    void doAction(const QString& name) override {
        if (!isValid()) return;
        const QModelIndex index = index_;
        if (name == pressAction()) {
            view_->setCurrentIndex(index);
            emit view_->activated(index);
            return;
        }
        if (name == showMenuAction()) {
            view_->setCurrentIndex(index);
            view_->requestCurrentMenu();
            return;
        }
        for (const auto& [button, id] : buttons())
            if (button == name) return delegate()->click(index, id);
    }

private:
    CardDelegate* delegate() const { return qobject_cast<CardDelegate*>(view_->itemDelegate()); }
    static QString buttonName(const CardButton& button) { return button.text.isEmpty() ? button.toolTip : button.text; }

    std::vector<std::pair<QString, int>> buttons() const {
        std::vector<std::pair<QString, int>> out;
        if (!isValid() || !delegate()) return out;
        for (const CardButton& button : delegate()->buttons(index_))
            if (button.enabled) out.emplace_back(buttonName(button), button.id);
        return out;
    }

    QPointer<CardListView> view_;
    QPersistentModelIndex index_;
};

// The list: its children are the cards, in row order, as the view's focus events count them.
class CardListViewAccessible : public QAccessibleWidget {
public:
    explicit CardListViewAccessible(CardListView* view) : QAccessibleWidget(view, QAccessible::List) {}
    ~CardListViewAccessible() override {
        for (const auto& [index, id] : cards_) QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override {
        const auto* model = view()->model();
        return model ? model->rowCount(view()->rootIndex()) : 0;
    }

    QAccessibleInterface* child(int row) const override {
        const auto* model = view()->model();
        if (!model || row < 0 || row >= childCount()) return nullptr;
        const QModelIndex index = model->index(row, 0, view()->rootIndex());
        forgetGoneCards();
        for (const auto& [known, id] : cards_)
            if (known == index) return QAccessible::accessibleInterface(id);
        auto* card = new CardAccessible(view(), index);
        cards_.emplace_back(index, QAccessible::registerAccessibleInterface(card));
        return card;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [index, id] : cards_)
            if (QAccessible::accessibleInterface(id) == child && index.isValid()) return index.row();
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QModelIndex index = view()->indexAt(view()->viewport()->mapFromGlobal(QPoint(x, y)));
        return index.isValid() ? child(index.row()) : nullptr;
    }

private:
    CardListView* view() const { return static_cast<CardListView*>(object()); }

    // Cards whose row went away are dropped, so the list never grows past the live rows.
    void forgetGoneCards() const {
        auto gone = std::remove_if(cards_.begin(), cards_.end(), [](const auto& card) {
            if (card.first.isValid()) return false;
            QAccessible::deleteAccessibleInterface(card.second);
            return true;
        });
        cards_.erase(gone, cards_.end());
    }

    mutable std::vector<std::pair<QPersistentModelIndex, QAccessible::Id>> cards_;
};

}  // namespace

QAccessibleInterface* cardListAccessible(const QString& className, QObject* object) {
    if (className != QLatin1String(CardListView::staticMetaObject.className())) return nullptr;
    auto* view = qobject_cast<CardListView*>(object);
    return view ? new CardListViewAccessible(view) : nullptr;
}

void installCardAccessibility() {
    static std::once_flag installed;
    std::call_once(installed, [] { QAccessible::installFactory(cardListAccessible); });
}

}  // namespace quillon::ui
