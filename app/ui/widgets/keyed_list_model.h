#pragma once
// Models whose rows follow a new vector of values with the fewest signals (see keyed_rows.h).
// KeyedRowsModel gives any Qt model class syncRows() for one level of rows; KeyedListModel is
// a list model over one vector, whose subclasses give data() and call replaceRows().

#include <QAbstractListModel>

#include <functional>
#include <vector>

#include "app/ui/widgets/keyed_rows.h"

namespace quillon::ui {

template <class Base>
class KeyedRowsModel : public Base {
public:
    using Base::Base;

protected:
    // Brings rows, the children of parent, to incoming by key. settled runs inside each change,
    // once the rows are consistent again (a model that indexes its rows re-indexes there).
    template <class Item, class KeyOf>
    void syncRows(const QModelIndex& parent, std::vector<Item>& rows, std::vector<Item> incoming, KeyOf keyOf,
                  const std::function<void()>& settled = {}) {
        struct Edits {
            KeyedRowsModel& m;
            const QModelIndex& parent;
            const std::function<void()>& settled;
            void done() {
                if (settled) settled();
            }
            void remove(int first, int last, const std::function<void()>& apply) {
                m.beginRemoveRows(parent, first, last);
                apply();
                done();
                m.endRemoveRows();
            }
            void insert(int first, int last, const std::function<void()>& apply) {
                m.beginInsertRows(parent, first, last);
                apply();
                done();
                m.endInsertRows();
            }
            void changed(int first, int last) {
                // A list model keeps columnCount private; the item model's is public.
                const int columns = static_cast<const QAbstractItemModel&>(m).columnCount(parent);
                emit m.dataChanged(m.index(first, 0, parent), m.index(last, columns - 1, parent));
            }
            void reset(const std::function<void()>& apply) {
                m.beginResetModel();
                apply();
                done();
                m.endResetModel();
            }
        } edits{*this, parent, settled};
        syncKeyedRows(rows, std::move(incoming), keyOf, edits);
    }
};

template <class Item>
class KeyedListModel : public KeyedRowsModel<QAbstractListModel> {
public:
    using KeyedRowsModel::KeyedRowsModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    const Item& at(int row) const { return rows_.at(std::size_t(row)); }
    const std::vector<Item>& items() const noexcept { return rows_; }

protected:
    template <class KeyOf>
    void replaceRows(std::vector<Item> incoming, KeyOf keyOf) {
        syncRows({}, rows_, std::move(incoming), keyOf);
    }

    std::vector<Item> rows_;
};

}  // namespace quillon::ui
