#pragma once
// A list model over a vector of values whose rows follow a new vector with the fewest
// signals (see keyed_rows.h). Subclasses give data() and call replaceRows().

#include <QAbstractListModel>

#include <functional>
#include <vector>

#include "app/ui/keyed_rows.h"

namespace quillon::ui {

template <class Item>
class KeyedListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(rows_.size()); }
    const Item& at(int row) const { return rows_.at(std::size_t(row)); }
    const std::vector<Item>& items() const noexcept { return rows_; }

protected:
    template <class KeyOf>
    void replaceRows(std::vector<Item> incoming, KeyOf keyOf) {
        struct Edits {
            KeyedListModel& m;
            void remove(int first, int last, const std::function<void()>& apply) {
                m.beginRemoveRows({}, first, last);
                apply();
                m.endRemoveRows();
            }
            void insert(int first, int last, const std::function<void()>& apply) {
                m.beginInsertRows({}, first, last);
                apply();
                m.endInsertRows();
            }
            void changed(int first, int last) { emit m.dataChanged(m.index(first), m.index(last)); }
            void reset(const std::function<void()>& apply) {
                m.beginResetModel();
                apply();
                m.endResetModel();
            }
        } edits{*this};
        syncKeyedRows(rows_, std::move(incoming), keyOf, edits);
    }

    std::vector<Item> rows_;
};

}  // namespace quillon::ui
