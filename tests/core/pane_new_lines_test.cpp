// The lines a pane printed after a moment, from rows as tmux gives them: what was on the
// screen, what is typed at the prompt, rows that fill the width, and history tmux drops.
#include "core/pane_new_lines.h"

#include <gtest/gtest.h>

namespace quillon {
namespace {

using Lines = std::vector<std::string>;

// A pane of the given rows (history and screen in one), the cursor on the last one.
PaneRows pane(Lines rows, bool typing = false, std::int64_t width = 80, std::int64_t height = 5) {
    PaneRows reading;
    const auto count = static_cast<std::int64_t>(rows.size());
    reading.historySize = std::max<std::int64_t>(count - height, 0);
    reading.cursorRow = count - 1 - reading.historySize;
    reading.width = width;
    reading.rows = std::move(rows);
    reading.typing = typing;
    return reading;
}

// Every reading after the first, and what each must give.
struct Reading {
    const char* name;
    PaneRows start;
    std::vector<std::pair<PaneRows, Lines>> then;
};

TEST(PaneNewLines, OnlyWhatIsPrintedAfterTheStartCounts) {
    const std::vector<Reading> cases = {
        {"text on the screen before is not new; the output after is",
         pane({"$ echo marker-42", "marker-42", "$ "}, true),
         {{pane({"$ echo marker-42", "marker-42", "$ echo again", "marker-42", "$ "}, true), {"marker-42"}}}},
        {"the command line typed at the prompt is never offered, as it is typed or once run",
         pane({"$ "}, true),
         {{pane({"$ sleep 1; echo x"}, true), {}},
          {pane({"$ sleep 1; echo x", ""}, false), {}},
          {pane({"$ sleep 1; echo x", "x", "$ "}, true), {"x"}}}},
        {"a line being printed is offered as it grows, without what it held at the start",
         pane({"building... "}),
         {{pane({"building... 50%"}), {"50%"}}, {pane({"building... 50% done", ""}), {"50% done"}}}},
        {"a program's prompt at the cursor counts: it is printed, not typed",
         pane({"$ read -p 'Continue? '", ""}),
         {{pane({"$ read -p 'Continue? '", "Continue? "}), {"Continue? "}}}},
        {"rows that fill the width are one line",
         pane({"$ "}, true, 10),
         {{pane({"$ ", "0123456789", "abc", "$ "}, true, 10), {"0123456789abc"}}}},
        {"a reading that no longer reaches the rows taken asks for one from the top",
         pane({"a", "b", "c", "$ "}, true),
         {{[] {
               PaneRows far = pane({"a", "b", "c", "$ ", "d", "e"});
               far.firstRow = 4;  // rows 4 and 5 only: "c" and "$ " are not in it
               far.historySize = 0;
               far.cursorRow = 5;
               far.rows = {"d", "e"};
               return far;
           }(),
           {"<again>"}}}},
    };
    for (const Reading& c : cases) {
        SCOPED_TRACE(c.name);
        PaneNewLines lines(c.start);
        for (const auto& [reading, wanted] : c.then) {
            const auto got = lines.take(reading);
            if (wanted == Lines{"<again>"}) EXPECT_FALSE(got);
            else EXPECT_EQ(got, wanted);
        }
    }
}

// tmux drops the oldest tenth of its history at the limit: every row moves up, and the
// rows last taken, found again by their text, say how far.
TEST(PaneNewLines, HistoryDroppedAtTheLimitMovesNothingAlreadyTaken) {
    Lines rows;
    for (int i = 0; i < 20; ++i) rows.push_back("row " + std::to_string(i));
    rows.push_back("$ ");
    PaneRows start = pane(rows, true);
    start.historyLimit = 20;
    PaneNewLines lines(start);

    // Ten more rows printed, four old ones dropped from the top.
    Lines after(rows.begin() + 4, rows.end() - 1);
    after.push_back("$ make");
    for (int i = 0; i < 10; ++i) after.push_back("out " + std::to_string(i));
    after.push_back("");
    PaneRows later = pane(after, false);
    later.historyLimit = 20;
    const auto got = lines.take(later);
    ASSERT_TRUE(got);
    Lines wanted;
    for (int i = 0; i < 10; ++i) wanted.push_back("out " + std::to_string(i));
    EXPECT_EQ(*got, wanted);
    EXPECT_FALSE(lines.lost());

    // Everything scrolled away and the history was cleared: all of it is new.
    PaneRows cleared = pane({"fresh", ""});
    const auto fresh = lines.take(cleared);
    ASSERT_TRUE(fresh);
    EXPECT_EQ(*fresh, Lines{"fresh"});
    EXPECT_TRUE(lines.lost());
}

}  // namespace
}  // namespace quillon
