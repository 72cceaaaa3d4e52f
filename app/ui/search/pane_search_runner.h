#pragma once
// Runs pane searches for a screen: each in a pool job (the core search reads a few batches
// at a time, each bounded by the client's time limit), so tmux never runs on the GUI thread.
// Starting a search cancels the one before, whose remaining batches are not run and whose
// result is never delivered.

#include <QObject>
#include <QThreadPool>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "core/pane_search.h"
#include "core/tmux_client.h"

namespace quillon::ui {

class PaneSearchRunner : public QObject {
    Q_OBJECT
public:
    explicit PaneSearchRunner(QObject* parent = nullptr);
    ~PaneSearchRunner() override;

    // Compiles the query on the calling thread (microseconds) and starts the search; returns
    // the compile error instead when there is one, and then nothing is started.
    std::optional<std::string> start(const TmuxClient& client, std::vector<SearchPane> panes,
                                     const SearchQuery& query, const SearchOptions& options);
    // Cancels the running search, if any; nothing is delivered for it.
    void cancel();
    bool running() const noexcept { return running_; }
    // The matcher of the last started search, for highlighting every match of a line.
    const PaneMatcher& matcher() const noexcept { return matcher_; }

    // One pane (by id) read as a search reads it, in the global pool, so a search's line
    // numbers hold in the text; done runs on the GUI thread with the text (empty when the
    // pane could not be read). A caller that may be gone by then guards itself.
    static void capturePane(const TmuxClient& client, const std::string& paneID, std::int64_t lines,
                            std::function<void(std::string)> done);

signals:
    void finished(const quillon::SearchResult& result);
    void runningChanged(bool running);

private:
    void setRunning(bool running);

    QThreadPool pool_;
    SearchCancel cancel_;
    PaneMatcher matcher_;
    std::uint64_t generation_ = 0;
    bool running_ = false;
};

}  // namespace quillon::ui
