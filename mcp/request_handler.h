#pragma once
// What each message gets, in the revision it is answered in. The only state is the
// Conversation: the era the stdio process is in and, in the legacy era, the revision
// "initialize" agreed on. A modern request carries its revision and the client's
// capabilities in `_meta` and is answered from that alone. Tool calls are handed back to
// the caller as a ToolCall, a copy of all they need, so the loop can run them beside other
// requests and answer each when it ends.
//
// Eras on one stdio process: an `initialize` request chooses the legacy era (also after a
// server/discover probe: a client falling back lands there); a request naming a revision
// in `_meta`, or server/discover, chooses the modern one while nothing else was agreed.
// Once modern, a request without its `_meta` is malformed (-32602). Before either, a
// request is answered as the first revision did, as it always was.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "mcp/mcp_server.h"
#include "mcp/protocol_revision.h"

namespace quillon::mcp {

struct Conversation {
    enum class Era { opening, legacy, modern };
    Era era = Era::opening;
    ProtocolRevision legacyRevision = preNegotiationRevision;

    // What a message naming no revision (a malformed line) is answered in.
    ProtocolRevision revision() const { return era == Era::modern ? latestRevision : legacyRevision; }
};

struct ToolCall {
    nlohmann::json id;
    ProtocolRevision revision = preNegotiationRevision;
    std::string name;
    Arguments arguments = Arguments::object();
    // params._meta.progressToken: the client wants notifications/progress naming it.
    std::optional<nlohmann::json> progressToken{};
};

// What one message asks of the loop; at most one member is set.
struct Handled {
    std::optional<nlohmann::json> answer{};     // to write now
    std::optional<ToolCall> call{};             // to run, then answer with answerToolCall
    std::optional<nlohmann::json> cancelled{};  // notifications/cancelled: the request id it names
};

// One decoded message; inBatch refuses what JSON-RPC batches may not carry (initialize).
Handled handleMessage(const MCPServer& server, Conversation& conversation, const nlohmann::json& message,
                      bool inBatch = false);
// Runs the call (it may take a while: tmux, ssh) and gives the whole response.
nlohmann::json answerToolCall(const MCPServer& server, const ToolCall& call, const CallContext& context = {});
// The notification that reports a call's progress, in the shape of its revision.
nlohmann::json progressNotification(const ToolCall& call, double progress, double total, const std::string& message);

// A whole line: one message, or the elements of a batch (answered together as one array).
struct HandledLine {
    std::vector<Handled> parts;
    bool batch = false;
};
HandledLine handleLine(const MCPServer& server, Conversation& conversation, std::string_view line);
// The answer to a line too long to hold, whose id was never read.
nlohmann::json answerOverlongLine(const Conversation& conversation);

// handleLine with the tool calls run on the spot: what the client reads for this line (an
// array for a batch), or nothing.
std::optional<nlohmann::json> answerLine(const MCPServer& server, Conversation& conversation, std::string_view line);

}  // namespace quillon::mcp
