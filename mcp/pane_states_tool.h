#pragma once
// tmux_pane_states: every pane of one server with its state (core/pane_state.h), since
// when, the program in front and the last line on its screen. Read-only: tmux's list
// queries, capture-pane and /proc, on this machine or in one round trip on a stored host.
//
// A sampler reads a server's panes; the shelf keeps one per server asked about, so a
// program seen running by one call is reported finished by a later one, and a shell seen
// at its prompt is known to be past its start-up.

#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/pane_sampler.h"
#include "core/server_identity.h"
#include "core/tmux_client.h"
#include "mcp/pane_report.h"
#include "mcp/tool_arguments.h"
#include "mcp/tool_result.h"

namespace quillon::mcp {

class PaneSamplerShelf {
public:
    // The sampler of the client's server, made on first use, used by one caller at a time.
    template <typename Use>
    auto with(const TmuxClient& client, Use use) {
        std::shared_ptr<Slot> slot = slotFor(client);
        const std::lock_guard lock(slot->mutex);
        return use(slot->sampler);
    }

    // A copy of it, to be read on its own (a wait): it knows what the shelf's has seen.
    PaneStateSampler copyOf(const TmuxClient& client) {
        return with(client, [](const PaneStateSampler& sampler) { return sampler; });
    }
    // Such a copy, read since, replaces the shelf's: what the wait saw, later calls know.
    void keep(const PaneStateSampler& read) {
        with(read.client(), [&](PaneStateSampler& sampler) { sampler = read; });
    }

private:
    struct Slot {
        explicit Slot(const TmuxClient& client) : sampler(client) {}
        std::mutex mutex;
        PaneStateSampler sampler;
    };
    std::shared_ptr<Slot> slotFor(const TmuxClient& client);

    std::mutex mutex_;
    std::map<ServerIdentity, std::shared_ptr<Slot>> slots_;
};

// The last line with text on each pane's screen, by pane id, read in one tmux run.
std::map<std::string, std::string> lastLines(const TmuxClient& client, const std::vector<PaneSignals>& panes);

// "%3 work:0.1 — Running since 2026-12-08 07:01:02 · sleep", then the last line.
std::string paneReportText(const PaneReport& report);

ToolResult paneStatesTool(const TmuxClient& client, const Arguments& arguments, const std::vector<std::string>& hosts,
                          PaneSamplerShelf& shelf);

}  // namespace quillon::mcp
