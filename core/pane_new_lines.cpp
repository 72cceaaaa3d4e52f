#include "core/pane_new_lines.h"

#include <algorithm>

namespace quillon {
namespace {

constexpr std::int64_t anchorRows = 3;

// Columns a row takes, as far as counting characters tells (wide characters aside).
std::int64_t columns(const std::string& row) {
    return std::count_if(row.begin(), row.end(), [](char byte) { return (static_cast<unsigned char>(byte) & 0xC0) != 0x80; });
}

}  // namespace

PaneNewLines::PaneNewLines(const PaneRows& atStart)
    : next_(atStart.cursor()),
      lastHistory_(atStart.historySize),
      start_(atStart.cursor()),
      startText_(rowText(atStart, atStart.cursor())),
      startTyped_(atStart.typing) {
    for (std::int64_t row = std::max<std::int64_t>(next_ - anchorRows, 0); row < next_; ++row)
        anchor_.push_back(rowText(atStart, row));
}

std::int64_t PaneNewLines::captureStart() const {
    // Output between two readings moves the rows; the margin is what a reading tolerates
    // before it has to be made again from the top of the history.
    const std::int64_t margin = 200;
    const std::int64_t first = next_ - static_cast<std::int64_t>(anchor_.size()) - margin;
    return std::max<std::int64_t>(first, 0) - lastHistory_;
}

std::string PaneNewLines::rowText(const PaneRows& reading, std::int64_t row) const {
    const std::int64_t at = row - reading.firstRow;
    if (at < 0 || at >= static_cast<std::int64_t>(reading.rows.size())) return {};
    return reading.rows[static_cast<std::size_t>(at)];
}

std::optional<std::int64_t> PaneNewLines::shiftOf(const PaneRows& reading) const {
    const auto size = static_cast<std::int64_t>(anchor_.size());
    if (size == 0) return 0;
    for (std::int64_t shift = 0; next_ - size - shift >= reading.firstRow; ++shift) {
        bool same = true;
        for (std::int64_t i = 0; i < size && same; ++i)
            same = rowText(reading, next_ - size - shift + i) == anchor_[static_cast<std::size_t>(i)];
        if (same) return shift;
    }
    return std::nullopt;
}

std::string PaneNewLines::newPart(const PaneRows& reading, std::int64_t row) const {
    std::string text = rowText(reading, row);
    if (row != start_) return text;
    if (startTyped_) return {};
    if (text.compare(0, startText_.size(), startText_) == 0) return text.substr(startText_.size());
    return text;
}

std::optional<std::vector<std::string>> PaneNewLines::take(const PaneRows& reading) {
    std::vector<std::string> lines;
    lost_ = false;
    const auto shift = shiftOf(reading);
    if (!shift && reading.firstRow > 0) return std::nullopt;
    if (shift) {
        next_ -= *shift;
        start_ -= *shift;
        std::set<std::int64_t> moved;
        for (std::int64_t row : typed_) moved.insert(row - *shift);
        typed_ = std::move(moved);
    } else {
        lost_ = true;
        next_ = reading.firstRow;
        start_ = -1;
        typed_.clear();
    }

    const std::int64_t cursor = reading.cursor();
    std::string pending;  // a row that filled the width, waiting for its continuation
    for (std::int64_t row = next_; row < cursor; ++row) {
        if (typed_.count(row)) continue;
        const std::string part = newPart(reading, row);
        pending += part;
        if (columns(rowText(reading, row)) >= reading.width && row + 1 < cursor) continue;
        if (!pending.empty()) lines.push_back(std::move(pending));
        pending.clear();
    }
    if (!pending.empty()) lines.push_back(std::move(pending));
    if (reading.typing) typed_.insert(cursor);
    else if (!typed_.count(cursor))
        if (std::string part = newPart(reading, cursor); !part.empty()) lines.push_back(std::move(part));

    next_ = std::max(next_, cursor);
    anchor_.clear();
    for (std::int64_t row = std::max<std::int64_t>(next_ - anchorRows, reading.firstRow); row < next_; ++row)
        anchor_.push_back(rowText(reading, row));
    lastHistory_ = reading.historySize;
    return lines;
}

}  // namespace quillon
