#include "app/ui/search/search_results_model.h"

#include "app/ui/widgets/plural_text.h"
#include "app/ui/widgets/ui_text.h"

namespace quillon::ui {

QString matchCount(std::size_t matches) {
    return pluralText(static_cast<std::int64_t>(matches),
                      "{0, plural, one {# potrivire} few {# potriviri} other {# de potriviri}}",
                      "{0, plural, one {# match} other {# matches}}");
}

QString matchesInPanes(std::size_t matches, std::size_t panes) {
    const QString paneText = pluralText(static_cast<std::int64_t>(panes),
                                        "{0, plural, one {# pane} few {# pane-uri} other {# de pane-uri}}",
                                        "{0, plural, one {# pane} other {# panes}}");
    return matchCount(matches) + qL(" în ", " in ") + paneText;
}

SearchResultsModel::SearchResultsModel(QObject* parent) : QAbstractListModel(parent) {}

void SearchResultsModel::setResult(SearchResult result) {
    beginResetModel();
    result_ = std::move(result);
    build();
    endResetModel();
}

void SearchResultsModel::clear() { setResult({}); }

void SearchResultsModel::relabel() {
    if (rows_.empty()) return;
    build();
    emit dataChanged(index(0), index(rowCount() - 1));
}

std::pair<int, int> matchRangeInQString(const LineMatch& match) {
    const std::string& line = match.text;
    const std::size_t offset = std::min(match.offset, line.size());
    std::size_t length = match.length;
    length = std::min(length, line.size() - offset);
    const int start = static_cast<int>(QString::fromUtf8(line.data(), static_cast<qsizetype>(offset)).size());
    const int size =
        static_cast<int>(QString::fromUtf8(line.data() + offset, static_cast<qsizetype>(length)).size());
    return {start, size};
}

void SearchResultsModel::build() {
    rows_.clear();
    const auto& hits = result_.hits;
    for (std::size_t h = 0; h < hits.size(); ++h) {
        const SearchPane& pane = hits[h].pane;
        const bool newSession = h == 0 || hits[h - 1].pane.sessionID != pane.sessionID;
        const bool newWindow = newSession || hits[h - 1].pane.windowID != pane.windowID;
        if (newSession) {
            std::size_t count = 0;
            for (std::size_t k = h; k < hits.size() && hits[k].pane.sessionID == pane.sessionID; ++k)
                count += hits[k].matches.size();
            rows_.push_back({Kind::session, qs(pane.sessionName), matchCount(count), {}, 0, 0, int(h), -1});
        }
        if (newWindow) {
            std::size_t count = 0;
            for (std::size_t k = h; k < hits.size() && hits[k].pane.windowID == pane.windowID; ++k)
                count += hits[k].matches.size();
            rows_.push_back({Kind::window, qs(std::to_string(pane.windowIndex) + ": " + pane.windowName),
                             matchCount(count), {}, 0, 0, int(h), -1});
        }
        rows_.push_back({Kind::pane, qL("Pane ", "Pane ") + qs(pane.target() + " (" + pane.paneID + ")"),
                         matchCount(hits[h].matches.size()), {}, 0, 0, int(h), -1});
        for (std::size_t m = 0; m < hits[h].matches.size(); ++m) {
            const LineMatch& match = hits[h].matches[m];
            const auto [offset, length] = matchRangeInQString(match);
            rows_.push_back({Kind::match, qs(match.text), {}, qs(match.previous), offset, length, int(h), int(m)});
        }
    }
    for (const PaneNotRead& missed : result_.notRead)
        rows_.push_back({Kind::notRead,
                         qL("Necitit: ", "Not read: ") + qs(missed.pane.target() + " (" + missed.pane.paneID + ") — " +
                                                            missed.reason),
                         {}, {}, 0, 0, -1, -1});
}

int SearchResultsModel::matchRowFrom(int index) const {
    for (int i = std::max(index, 0); i < rowCount(); ++i)
        if (rows_[static_cast<std::size_t>(i)].kind == Kind::match) return i;
    return -1;
}

int SearchResultsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant SearchResultsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount()) return {};
    const Row& r = rows_[static_cast<std::size_t>(index.row())];
    switch (role) {
        case Qt::DisplayRole: return r.text;
        case Qt::AccessibleTextRole:
            if (r.kind == Kind::match) {
                const LineMatch& m = result_.hits[std::size_t(r.hit)].matches[std::size_t(r.match)];
                return qL("linia ", "line ") + QString::number(m.line) + QStringLiteral(": ") + r.text;
            }
            return r.count.isEmpty() ? r.text : r.text + QStringLiteral(", ") + r.count;
        case Qt::ToolTipRole:
            if (r.kind != Kind::match) return {};
            return qL("Enter: deschide pane-ul la linia aceasta", "Return: open the pane at this line");
        case KindRole: return int(r.kind);
        case CountRole: return r.count;
        case PreviousRole: return r.previous;
        case OffsetRole: return r.offset;
        case LengthRole: return r.length;
        default: return {};
    }
}

Qt::ItemFlags SearchResultsModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

}  // namespace quillon::ui

#include "moc_search_results_model.cpp"
