#pragma once
// The lines a pane prints after a given moment, for waiting on output: neither what was
// already on its screen nor the command line typed at its shell's prompt counts.
//
// A pane is read as rows numbered from the top of its history (tmux's history_size plus the
// cursor's row is the cursor's place in that numbering). Rows above the cursor are done;
// the cursor's row is still being written and is offered again while it grows. A row that
// was the cursor's while the shell read its command line is typed text and never offered.
// When tmux drops the oldest history (history-limit), every number moves up; the last rows
// taken, compared by their text, say by how much.
//
// Rows as tmux captures them are cut at the pane's width; a row that fills the width is
// joined with the next, as the program printed them.

#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace quillon {

// One reading of a pane's rows.
struct PaneRows {
    std::int64_t historySize = 0;
    std::int64_t historyLimit = 2000;
    std::int64_t cursorRow = 0;  // within the visible screen
    std::int64_t width = 80;
    std::int64_t firstRow = 0;   // the number of rows.front(), history's top being 0
    std::vector<std::string> rows;  // from firstRow to the screen's last row
    bool typing = false;            // the shell reads its command line at the cursor

    std::int64_t cursor() const noexcept { return historySize + cursorRow; }
};

class PaneNewLines {
public:
    explicit PaneNewLines(const PaneRows& atStart);

    // Where the next reading should start, relative to the visible top as capture-pane's -S
    // takes it, given the history size last seen: a little before the first row not taken,
    // so its text can tell whether the rows moved.
    std::int64_t captureStart() const;
    // What was printed since the last reading: the rows done since, then the cursor's row
    // as it stands (nothing while it is typed or holds only what was there before).
    // Nothing at all when the reading does not reach back to the last rows taken and does
    // not start at the history's top: read again from there. lost() is true after a
    // reading from the top in which those rows were not found either: the pane scrolled
    // past them (or cleared its history), and all of the reading counts as new.
    std::optional<std::vector<std::string>> take(const PaneRows& reading);
    bool lost() const noexcept { return lost_; }

private:
    std::optional<std::int64_t> shiftOf(const PaneRows& reading) const;
    std::string rowText(const PaneRows& reading, std::int64_t row) const;
    std::string newPart(const PaneRows& reading, std::int64_t row) const;

    std::int64_t next_ = 0;             // the first row not yet taken as done
    std::int64_t lastHistory_ = 0;
    std::int64_t start_ = 0;            // the cursor's row at the start
    std::string startText_;             // its text then: not new
    bool startTyped_ = false;
    std::vector<std::string> anchor_;   // the texts of the rows just before next_
    std::set<std::int64_t> typed_;      // rows that held a command line being typed
    bool lost_ = false;
};

}  // namespace quillon
