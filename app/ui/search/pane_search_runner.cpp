#include "app/ui/search/pane_search_runner.h"

#include <QMetaObject>
#include <QCoreApplication>

namespace quillon::ui {

PaneSearchRunner::PaneSearchRunner(QObject* parent) : QObject(parent) {
    // One search at a time reads tmux; a cancelled one ends within its current batch.
    pool_.setMaxThreadCount(2);
}

PaneSearchRunner::~PaneSearchRunner() {
    cancel_.cancel();
    pool_.waitForDone();
}

std::optional<std::string> PaneSearchRunner::start(const TmuxClient& client, std::vector<SearchPane> panes,
                                                   const SearchQuery& query, const SearchOptions& options) {
    cancel();
    PaneMatcher matcher = PaneMatcher::compile(query);
    if (!matcher.ok()) return matcher.error();
    matcher_ = matcher;
    cancel_ = SearchCancel{};
    const std::uint64_t generation = ++generation_;
    setRunning(true);
    // The destructor waits for every job, so this outlives them; a delivery still queued
    // when this goes is dropped with it.
    pool_.start([this, generation, client, panes = std::move(panes), matcher = std::move(matcher), options,
                 cancel = cancel_]() mutable {
        SearchResult result = PaneSearch::run(client, panes, matcher, options, cancel);
        if (cancel.cancelled()) return;
        QMetaObject::invokeMethod(
            this,
            [this, generation, result = std::move(result)] {
                if (generation != generation_) return;
                setRunning(false);
                emit finished(result);
            },
            Qt::QueuedConnection);
    });
    return std::nullopt;
}

void PaneSearchRunner::capturePane(const TmuxClient& client, const std::string& paneID, std::int64_t lines,
                                   std::function<void(std::string)> done) {
    QThreadPool::globalInstance()->start([client, paneID, lines, done = std::move(done)]() mutable {
        SearchPane pane;
        pane.paneID = paneID;
        std::string text = PaneSearch::captureBatch(client, {pane}, lines).texts.front().value_or(std::string());
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [done = std::move(done), text = std::move(text)] { done(text); },
            Qt::QueuedConnection);
    });
}

void PaneSearchRunner::cancel() {
    cancel_.cancel();
    ++generation_;
    setRunning(false);
}

void PaneSearchRunner::setRunning(bool running) {
    if (running_ == running) return;
    running_ = running;
    emit runningChanged(running);
}

}  // namespace quillon::ui

#include "moc_pane_search_runner.cpp"
