#pragma once
// Brings a model's rows from what they show to a new list with the fewest signals: rows whose
// key is gone are removed, new keys inserted where they stand, and changed rows reported, so
// views keep their scroll position, selection and untouched rows on every refresh.
//
// Edits receives the model's protected calls: remove(first, last, apply), insert(first, last,
// apply), changed(first, last) and reset(apply); each apply() changes the rows in between
// the begin and end signals.

#include <algorithm>
#include <functional>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quillon::ui {

template <class Item, class KeyOf, class Edits>
void syncKeyedRows(std::vector<Item>& rows, std::vector<Item> incoming, KeyOf keyOf, Edits& edits) {
    using Key = std::decay_t<decltype(keyOf(incoming.front()))>;
    std::unordered_map<Key, std::size_t> position;
    position.reserve(incoming.size());
    for (std::size_t i = 0; i < incoming.size(); ++i) position.emplace(keyOf(incoming[i]), i);

    // Gone rows, bottom up in contiguous blocks.
    for (int last = int(rows.size()) - 1; last >= 0;) {
        if (position.count(keyOf(rows[last]))) {
            --last;
            continue;
        }
        int first = last;
        while (first > 0 && !position.count(keyOf(rows[first - 1]))) --first;
        edits.remove(first, last, [&] { rows.erase(rows.begin() + first, rows.begin() + last + 1); });
        last = first - 1;
    }

    // The kept rows must appear in the new order; a reordering is shown as a reset.
    std::size_t previous = 0;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const std::size_t at = position.at(keyOf(rows[i]));
        if (i > 0 && at <= previous) {
            edits.reset([&] { rows = std::move(incoming); });
            return;
        }
        previous = at;
    }

    std::size_t row = 0;
    for (std::size_t k = 0; k < incoming.size();) {
        if (row < rows.size() && keyOf(rows[row]) == keyOf(incoming[k])) {
            std::size_t first = row;
            while (row < rows.size() && k < incoming.size() && keyOf(rows[row]) == keyOf(incoming[k]) &&
                   !(rows[row] == incoming[k])) {
                rows[row] = std::move(incoming[k]);
                ++row, ++k;
            }
            if (row > first) edits.changed(int(first), int(row) - 1);
            else ++row, ++k;  // unchanged
            continue;
        }
        // New items up to the next kept row.
        std::size_t end = k;
        while (end < incoming.size() && !(row < rows.size() && keyOf(rows[row]) == keyOf(incoming[end]))) ++end;
        const int first = int(row), last = int(row + (end - k)) - 1;
        edits.insert(first, last, [&] {
            rows.insert(rows.begin() + row, std::make_move_iterator(incoming.begin() + k),
                        std::make_move_iterator(incoming.begin() + end));
        });
        row += end - k;
        k = end;
    }
}

}  // namespace quillon::ui
