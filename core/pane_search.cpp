#include "core/pane_search.h"

#include <algorithm>
#include <cstdio>
#include <random>
#include <thread>

#include "core/l10n.h"
#include "core/text.h"
#include "core/tmux_error.h"

namespace quillon {

std::string SearchPane::target() const {
    return sessionName + ":" + std::to_string(windowIndex) + "." + std::to_string(paneIndex);
}

std::vector<SearchPane> searchPanes(const std::vector<TmuxSession>& sessions,
                                    const std::optional<std::string>& sessionName) {
    std::vector<SearchPane> panes;
    for (const TmuxSession& session : sessions) {
        if (sessionName && session.name != *sessionName) continue;
        for (const TmuxWindow& window : session.windows)
            for (const TmuxPane& pane : window.panes)
                panes.push_back({session.name, session.sessionID, window.index, window.windowID, window.name,
                                 pane.index, pane.paneID});
    }
    return panes;
}

namespace PaneSearch {
namespace {

// Pane text can say anything, but not a nonce it never saw. Letters and digits only:
// display-message runs its text through strftime, so a "%" would be rewritten.
std::string makeNonce() {
    thread_local std::mt19937_64 generator{std::random_device{}()};
    char buffer[48];
    std::snprintf(buffer, sizeof buffer, "QUILLONMARK%016llx%016llx",
                  static_cast<unsigned long long>(generator()), static_cast<unsigned long long>(generator()));
    return buffer;
}

std::string markerLine(const std::string& nonce, std::size_t position) {
    return nonce + " " + std::to_string(position) + "\n";
}

// The captures before each marker found, in order; stops at the first marker missing.
std::vector<std::string> splitAtMarkers(const std::string& output, const std::string& nonce, std::size_t count) {
    std::vector<std::string> sections;
    std::size_t start = 0;
    for (std::size_t position = 0; position < count; ++position) {
        const std::string marker = markerLine(nonce, position);
        std::size_t at = start;
        // The marker is a line of its own.
        while ((at = output.find(marker, at)) != std::string::npos && at != start && output[at - 1] != '\n') ++at;
        if (at == std::string::npos) break;
        sections.push_back(output.substr(start, at - start));
        start = at + marker.size();
    }
    return sections;
}

std::string noServerText() {
    return L("serverul tmux nu rulează", "the tmux server is not running");
}

void markRest(BatchCapture& capture, std::size_t from, const std::string& reason) {
    for (std::size_t i = from; i < capture.texts.size(); ++i)
        if (!capture.texts[i] && capture.reasons[i].empty()) capture.reasons[i] = reason;
}

}  // namespace

std::vector<std::string> batchArguments(const std::vector<SearchPane>& panes, std::int64_t lines,
                                        const std::string& nonce) {
    std::vector<std::string> args;
    args.reserve(panes.size() * 11);
    const std::string start = std::to_string(-std::max<std::int64_t>(lines, 0));
    for (std::size_t position = 0; position < panes.size(); ++position) {
        if (position > 0) args.push_back(";");
        args.insert(args.end(), {"capture-pane", "-p", "-J", "-S", start, "-t", panes[position].paneID, ";",
                                 "display-message", "-p", nonce + " " + std::to_string(position)});
    }
    return args;
}

BatchCapture captureBatch(const TmuxClient& client, const std::vector<SearchPane>& panes, std::int64_t lines) {
    BatchCapture capture;
    capture.texts.resize(panes.size());
    capture.reasons.resize(panes.size());
    std::size_t first = 0;  // panes before this one are settled
    while (first < panes.size()) {
        const std::vector<SearchPane> rest(panes.begin() + static_cast<std::ptrdiff_t>(first), panes.end());
        const std::string nonce = makeNonce();
        TmuxClient::Invocation invocation;
        try {
            invocation = client.invoke(batchArguments(rest, lines, nonce));
        } catch (const TmuxError& error) {
            markRest(capture, first, error.localizedDescription());
            return capture;
        }
        if (invocation.timedOut) {
            capture.timedOut = true;
            markRest(capture, first, client.timeoutMessage());
            return capture;
        }
        auto sections = splitAtMarkers(invocation.standardOutput, nonce, rest.size());
        const std::size_t read = sections.size();
        for (std::size_t i = 0; i < read; ++i) capture.texts[first + i] = std::move(sections[i]);
        if (read == rest.size()) break;
        if (invocation.exitCode == 0) {
            // Every command succeeded yet a marker is missing: nothing more can be trusted.
            markRest(capture, first + read, L("tmux nu a dat tot textul", "tmux did not give the whole text"));
            break;
        }
        if (invocation.isNoServer()) {
            markRest(capture, first + read, noServerText());
            break;
        }
        // A failure that does not name the pane is the server's, not the pane's.
        if (!text::contains(invocation.standardError, rest[read].paneID)) {
            markRest(capture, first + read, invocation.standardError.empty() ? noServerText() : invocation.standardError);
            break;
        }
        // tmux stops a sequence at its first failing command: that pane (gone since the
        // listing) is not read, the ones after it get another run.
        capture.reasons[first + read] = invocation.standardError.empty()
                                            ? L("tmux a eșuat (exit " + std::to_string(invocation.exitCode) + ")",
                                                "tmux failed (exit " + std::to_string(invocation.exitCode) + ")")
                                            : invocation.standardError;
        first += read + 1;
    }
    return capture;
}

namespace {

struct BatchOutcome {
    std::vector<PaneHits> hits;
    std::vector<PaneNotRead> notRead;
    std::size_t panesSearched = 0;
    std::size_t matchCount = 0;
    bool skippedByCancel = false;
    bool timedOut = false;
};

BatchOutcome searchBatch(const TmuxClient& client, const std::vector<SearchPane>& panes, const PaneMatcher& matcher,
                         const SearchOptions& options) {
    BatchOutcome outcome;
    BatchCapture capture = captureBatch(client, panes, options.lines);
    outcome.timedOut = capture.timedOut;
    // One more than asked tells that the results were cut.
    const std::size_t limit = options.maxResults + 1;
    for (std::size_t i = 0; i < panes.size(); ++i) {
        if (!capture.texts[i]) {
            outcome.notRead.push_back({panes[i], capture.reasons[i]});
            continue;
        }
        ++outcome.panesSearched;
        if (outcome.matchCount >= limit) continue;
        auto matches = matcher.matchLines(*capture.texts[i], limit - outcome.matchCount);
        if (matches.empty()) continue;
        outcome.matchCount += matches.size();
        outcome.hits.push_back({panes[i], std::move(matches)});
    }
    return outcome;
}

std::vector<std::vector<SearchPane>> inBatches(const std::vector<SearchPane>& panes, std::size_t size) {
    std::vector<std::vector<SearchPane>> batches;
    size = std::max<std::size_t>(size, 1);
    for (std::size_t from = 0; from < panes.size(); from += size)
        batches.emplace_back(panes.begin() + static_cast<std::ptrdiff_t>(from),
                             panes.begin() + static_cast<std::ptrdiff_t>(std::min(panes.size(), from + size)));
    return batches;
}

SearchResult merge(std::vector<BatchOutcome>& outcomes, std::size_t maxResults) {
    SearchResult result;
    for (BatchOutcome& outcome : outcomes) {
        result.panesSearched += outcome.panesSearched;
        result.cancelled = result.cancelled || outcome.skippedByCancel;
        for (PaneNotRead& missed : outcome.notRead) result.notRead.push_back(std::move(missed));
        for (PaneHits& hits : outcome.hits) {
            if (result.matchCount >= maxResults) {
                result.truncated = true;
                break;
            }
            const std::size_t room = maxResults - result.matchCount;
            if (hits.matches.size() > room) {
                hits.matches.resize(room);
                result.truncated = true;
            }
            result.matchCount += hits.matches.size();
            result.hits.push_back(std::move(hits));
        }
    }
    return result;
}

}  // namespace

SearchResult run(const TmuxClient& client, const std::vector<SearchPane>& panes, const PaneMatcher& matcher,
                 const SearchOptions& options, const SearchCancel& cancel) {
    if (!matcher.ok()) return {};
    const auto batches = inBatches(panes, options.batchSize);
    std::vector<BatchOutcome> outcomes(batches.size());
    std::atomic<std::size_t> next{0};
    std::atomic<bool> wedged{false};

    auto work = [&] {
        for (std::size_t index; (index = next.fetch_add(1)) < batches.size();) {
            BatchOutcome& outcome = outcomes[index];
            if (cancel.cancelled()) {
                outcome.skippedByCancel = true;
                continue;
            }
            if (wedged.load()) {
                for (const SearchPane& pane : batches[index]) outcome.notRead.push_back({pane, client.timeoutMessage()});
                continue;
            }
            outcome = searchBatch(client, batches[index], matcher, options);
            if (outcome.timedOut) wedged.store(true);
        }
    };
    const std::size_t workers = std::clamp<std::size_t>(options.parallelBatches, 1, std::max<std::size_t>(batches.size(), 1));
    {
        std::vector<std::jthread> helpers;
        for (std::size_t i = 1; i < workers; ++i) helpers.emplace_back(work);
        work();
    }
    return merge(outcomes, options.maxResults);
}

}  // namespace PaneSearch
}  // namespace quillon
