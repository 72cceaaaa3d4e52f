#pragma once
// A search's results as one flat list the keyboard walks: a heading row per session, window
// and pane (with its count of matches), then the pane's matches, each with its line and the
// line before; panes that could not be read follow at the end. Text from tmux stays plain.

#include <QAbstractListModel>

#include <vector>

#include "core/pane_search.h"

namespace quillon::ui {

class SearchResultsModel : public QAbstractListModel {
    Q_OBJECT
public:
    enum class Kind { session, window, pane, match, notRead };
    enum Role {
        KindRole = Qt::UserRole + 1,
        CountRole,     // headings: the counted matches ("3 matches")
        PreviousRole,  // match: the line before
        // match: where the match is within DisplayRole, in QString units
        OffsetRole,
        LengthRole,
    };

    struct Row {
        Kind kind = Kind::match;
        QString text;      // heading, match line or reason
        QString count;     // headings
        QString previous;  // match
        int offset = 0;
        int length = 0;
        int hit = -1;      // match and pane rows: index into the result's hits
        int match = -1;    // match rows: index into that hit's matches
    };

    explicit SearchResultsModel(QObject* parent = nullptr);

    void setResult(SearchResult result);
    void clear();
    const SearchResult& result() const noexcept { return result_; }
    const Row& row(int index) const { return rows_.at(static_cast<std::size_t>(index)); }
    // The first match row at or after index; -1 when none.
    int matchRowFrom(int index) const;
    // Texts follow the language.
    void relabel();

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

private:
    void build();

    SearchResult result_;
    std::vector<Row> rows_;
};

// "37 matches in 5 panes" / "37 potriviri în 5 pane-uri", by the plural rules.
QString matchesInPanes(std::size_t matches, std::size_t panes);
QString matchCount(std::size_t matches);
// A match's byte range within its UTF-8 line as (start, length) within the line's QString.
std::pair<int, int> matchRangeInQString(const LineMatch& match);

}  // namespace quillon::ui
