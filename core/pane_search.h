#pragma once
// Searching every pane of one server. Panes are read in batches: one tmux process runs a
// ";"-separated sequence of capture-pane commands (wrapped lines joined, the last N lines
// of scrollback plus the screen), each followed by a marker line that carries a random
// nonce and the pane's place in the batch, and the output is split again at the markers.
// Batches run a few at a time, each bounded by the client's time limit. A server that
// stops answering costs one limit: once a batch times out, the batches not yet started
// are not run, and every pane they hold is listed as not read, never silently skipped.
// A cancelled search starts no further batch.

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/pane_matcher.h"
#include "core/tmux_client.h"
#include "core/tmux_model.h"

namespace quillon {

// Where a pane lives, by name and index for people and by id for tmux.
struct SearchPane {
    std::string sessionName;
    std::string sessionID;     // "$3"
    std::int64_t windowIndex = 0;
    std::string windowID;      // "@7"
    std::string windowName;
    std::int64_t paneIndex = 0;
    std::string paneID;        // "%12": what capture-pane addresses

    // "session:window.pane", for reading only.
    std::string target() const;
    bool operator==(const SearchPane&) const = default;
};

// Every pane of the snapshot in its order; with sessionName only that session's (compared
// whole and exactly: "$0" is a name here, never an id).
std::vector<SearchPane> searchPanes(const std::vector<TmuxSession>& sessions,
                                    const std::optional<std::string>& sessionName = std::nullopt);

// Shared between the one who starts a search and the search: a new query cancels the old.
class SearchCancel {
public:
    void cancel() const noexcept { flag_->store(true); }
    bool cancelled() const noexcept { return flag_->load(); }

private:
    std::shared_ptr<std::atomic<bool>> flag_ = std::make_shared<std::atomic<bool>>(false);
};

struct SearchOptions {
    std::int64_t lines = 2000;       // of scrollback, beside the visible screen
    std::size_t maxResults = 50;     // matching lines over all panes
    std::size_t batchSize = 25;      // panes per tmux process
    std::size_t parallelBatches = 3;
};

struct PaneHits {
    SearchPane pane;
    std::vector<LineMatch> matches;
};

struct PaneNotRead {
    SearchPane pane;
    std::string reason;  // tmux's text or the time-limit text
};

struct SearchResult {
    std::vector<PaneHits> hits;          // panes with matches, in the order searched
    std::vector<PaneNotRead> notRead;    // in the order searched
    std::size_t panesSearched = 0;       // read and matched
    std::size_t matchCount = 0;          // sum of hits' matches
    bool truncated = false;              // more matches existed than maxResults
    bool cancelled = false;              // some panes were skipped because of it
};

// One batch's captures: the text of each pane, or nothing with a reason.
struct BatchCapture {
    std::vector<std::optional<std::string>> texts;  // by position in the batch
    std::vector<std::string> reasons;               // non-empty where texts has nothing
    bool timedOut = false;
};

namespace PaneSearch {

// The tmux arguments of one batch (after the client's socket arguments).
std::vector<std::string> batchArguments(const std::vector<SearchPane>& panes, std::int64_t lines,
                                        const std::string& nonce);
// Runs the batch, retrying the panes after one that vanished mid-batch. Never throws.
BatchCapture captureBatch(const TmuxClient& client, const std::vector<SearchPane>& panes, std::int64_t lines);
// The whole search. An invalid matcher finds nothing. Never throws.
SearchResult run(const TmuxClient& client, const std::vector<SearchPane>& panes, const PaneMatcher& matcher,
                 const SearchOptions& options, const SearchCancel& cancel = {});

}  // namespace PaneSearch

}  // namespace quillon
