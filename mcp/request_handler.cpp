#include "mcp/request_handler.h"

#include "core/text.h"
#include "mcp/json_line.h"
#include "mcp/json_rpc.h"
#include "mcp/server_log.h"

namespace quillon::mcp {
namespace {

using nlohmann::json;
using jsonrpc::Envelope;
using jsonrpc::member;

constexpr const char* protocolVersionKey = "io.modelcontextprotocol/protocolVersion";
constexpr const char* clientCapabilitiesKey = "io.modelcontextprotocol/clientCapabilities";
constexpr const char* serverInfoKey = "io.modelcontextprotocol/serverInfo";
// The catalogue and the server's identity change only with a new program: an hour of cache
// costs nothing. Private: the tool list is in the user's language, and answers name their servers.
constexpr int listTtlMs = 3'600'000;

const json* objectMember(const json& object, const char* key) { return member(object, key, json::value_t::object); }

// What a modern answer carries besides its own members.
json modernResult(const MCPServer& server, json result) {
    result["resultType"] = "complete";
    result["_meta"] = {{serverInfoKey, server.info(latestRevision)}};
    return result;
}

json cacheable(json result) {
    result["ttlMs"] = listTtlMs;
    result["cacheScope"] = "private";
    return result;
}

json discoverResult(const MCPServer& server) {
    return cacheable({{"supportedVersions", supportedRevisionList()},
                      {"capabilities", {{"tools", json::object()}}},
                      {"serverInfo", server.info(latestRevision)},
                      {"instructions", MCPServer::instructions()}});
}

json initializeResult(const MCPServer& server, Conversation& conversation, const json* params) {
    std::optional<std::string_view> asked;
    if (params)
        if (const json* version = member(*params, "protocolVersion", json::value_t::string))
            asked = version->get_ref<const std::string&>();
    conversation.era = Conversation::Era::legacy;
    conversation.legacyRevision = negotiate(asked);
    return {{"protocolVersion", toRaw(conversation.legacyRevision)},
            {"capabilities", {{"tools", json::object()}}},
            {"serverInfo", server.info(conversation.legacyRevision)},
            {"instructions", MCPServer::instructions()}};
}

// From 2025-11-25 a call that is no proper CallToolRequest, or names no tool we have, is a
// protocol error; before, it ran as the unknown tool "" and said so in its text.
Handled toolCall(const MCPServer& server, ProtocolRevision revision, const json& id, const json* params) {
    static const json noParams = json::object();
    const json& given = params ? *params : noParams;
    const json* name = member(given, "name", json::value_t::string);
    const json* arguments = objectMember(given, "arguments");
    if (refusesUnknownTools(revision)) {
        if (!name) return {jsonrpc::error(id, jsonrpc::invalidParams, "Invalid params: name must be a string")};
        if (given.contains("arguments") && !arguments)
            return {jsonrpc::error(id, jsonrpc::invalidParams, "Invalid params: arguments must be an object")};
        if (!server.knowsTool(*name))
            return {jsonrpc::error(id, jsonrpc::invalidParams, "Unknown tool: " + name->get<std::string>())};
    }
    ToolCall call{id, revision, name ? name->get<std::string>() : std::string(), arguments ? *arguments : noParams};
    if (const json* meta = objectMember(given, "_meta"))
        if (const auto token = meta->find("progressToken");
            token != meta->end() && (token->is_string() || token->is_number_integer()))
            call.progressToken = *token;
    return {std::nullopt, std::move(call)};
}

Handled methodNotFound(const json& id, const std::string& method) {
    return {jsonrpc::error(id, jsonrpc::methodNotFound, "Method not found: " + method)};
}

// The methods of a revision, once it is known which one answers.
Handled legacyRequest(const MCPServer& server, Conversation& conversation, ProtocolRevision revision,
                      const Envelope& request, const json* params, bool inBatch) {
    const json& id = *request.id;
    if (request.method == "initialize") {
        if (inBatch)
            return {jsonrpc::error(id, jsonrpc::invalidRequest, "Invalid Request: initialize may not be part of a batch")};
        return {jsonrpc::success(id, initializeResult(server, conversation, params))};
    }
    if (request.method == "tools/list") return {jsonrpc::success(id, {{"tools", server.tools(revision)}})};
    if (request.method == "tools/call") return toolCall(server, revision, id, params);
    if (request.method == "ping") return {jsonrpc::success(id, json::object())};
    return methodNotFound(id, request.method);
}

// ping, logging/setLevel and initialize are gone from this era, so they are unknown methods.
Handled modernRequest(const MCPServer& server, const Envelope& request, const json* params) {
    const json& id = *request.id;
    if (request.method == "server/discover") return {jsonrpc::success(id, modernResult(server, discoverResult(server)))};
    if (request.method == "tools/list")
        return {jsonrpc::success(id, modernResult(server, cacheable({{"tools", server.tools(latestRevision)}})))};
    if (request.method == "tools/call") return toolCall(server, latestRevision, id, params);
    return methodNotFound(id, request.method);
}

Handled missingMeta(const json& id) {
    return {jsonrpc::error(id, jsonrpc::invalidParams,
                           std::string("Invalid params: _meta must carry ") + protocolVersionKey + " and " +
                               clientCapabilitiesKey)};
}

// A request answered by the revision its `_meta` names, checked the way that revision says.
Handled perRequestRevision(const MCPServer& server, Conversation& conversation, const Envelope& request,
                           const json* params, bool inBatch) {
    const json& id = *request.id;
    // Refused, but answered with the id it carries, whatever it is, so the client can match it.
    if (!id.is_string() && !id.is_number_integer())
        return {jsonrpc::error(id, jsonrpc::invalidRequest, "Invalid Request: the id must be a string or an integer")};
    const json* meta = params ? objectMember(*params, "_meta") : nullptr;
    const json* version = meta ? member(*meta, protocolVersionKey, json::value_t::string) : nullptr;
    if (!version) return missingMeta(id);
    const std::string& asked = version->get_ref<const std::string&>();
    const auto revision = protocolRevisionFromRaw(asked);
    if (!revision)
        return {jsonrpc::error(id, jsonrpc::unsupportedProtocolVersion, "Unsupported protocol version",
                               {{"supported", supportedRevisionList()}, {"requested", asked}})};
    // A legacy revision named per request is answered in its shapes, without a handshake.
    if (!isModern(*revision)) return legacyRequest(server, conversation, *revision, request, params, inBatch);
    if (!objectMember(*meta, clientCapabilitiesKey)) return missingMeta(id);
    if (conversation.era == Conversation::Era::opening) conversation.era = Conversation::Era::modern;
    return modernRequest(server, request, params);
}

Handled request(const MCPServer& server, Conversation& conversation, const Envelope& request, const json& message,
                bool inBatch) {
    const json* params = objectMember(message, "params");
    const json* meta = params ? objectMember(*params, "_meta") : nullptr;
    const bool namesRevision = meta && meta->contains(protocolVersionKey);
    const bool legacyOpening = request.method == "initialize" && !namesRevision;
    if (!legacyOpening &&
        (namesRevision || request.method == "server/discover" || conversation.era == Conversation::Era::modern))
        return perRequestRevision(server, conversation, request, params, inBatch);
    return legacyRequest(server, conversation, conversation.legacyRevision, request, params, inBatch);
}

Handled rejected(const Conversation& conversation, const std::optional<json>& id, int code, const std::string& why,
                 const char* logged) {
    logLine(logged);
    return {jsonrpc::errorFor(conversation.revision(), id, code, why)};
}

}  // namespace

Handled handleMessage(const MCPServer& server, Conversation& conversation, const json& message, bool inBatch) {
    const Envelope envelope = jsonrpc::readEnvelope(message);
    switch (envelope.kind) {
        case Envelope::Kind::request: return request(server, conversation, envelope, message, inBatch);
        case Envelope::Kind::notification: {
            if (envelope.method != "notifications/cancelled") return {};
            const json* params = objectMember(message, "params");
            if (!params || !params->contains("requestId")) return {};
            return {std::nullopt, std::nullopt, params->at("requestId")};
        }
        case Envelope::Kind::response: logLine("linie ignorată (un răspuns, dar serverul n-a întrebat nimic)"); return {};
        case Envelope::Kind::invalid: break;
    }
    return rejected(conversation, envelope.id, jsonrpc::invalidRequest, "Invalid Request",
                    "linie respinsă (nu e o cerere JSON-RPC)");
}

json answerToolCall(const MCPServer& server, const ToolCall& call, const CallContext& context) {
    ToolResult result;
    try {
        result = server.callTool(call.name, call.arguments, context);
    } catch (const std::exception& error) {
        // Handlers report their own failures; this only keeps a surprise from ending the server.
        result = {error.what(), true};
    }
    json answer = {{"content", json::array({{{"type", "text"}, {"text", std::move(result.text)}}})},
                   {"isError", result.isError}};
    // Failures carry no data; the text says what went wrong.
    if (hasStructuredContent(call.revision) && !result.isError && result.structured.is_object())
        answer["structuredContent"] = std::move(result.structured);
    if (isModern(call.revision)) answer = modernResult(server, std::move(answer));
    return jsonrpc::success(call.id, std::move(answer));
}

json progressNotification(const ToolCall& call, double progress, double total, const std::string& message) {
    json params = {{"progressToken", call.progressToken.value_or(json())}, {"progress", progress}, {"total", total}};
    // The message came with 2025-03-26.
    if (hasToolAnnotations(call.revision)) params["message"] = message;
    return {{"jsonrpc", "2.0"}, {"method", "notifications/progress"}, {"params", std::move(params)}};
}

HandledLine handleLine(const MCPServer& server, Conversation& conversation, std::string_view line) {
    const std::string_view trimmed = text::trim(line);
    if (trimmed.empty()) return {};
    const auto message = parseJsonLine(trimmed);
    if (!message)
        return {{rejected(conversation, std::nullopt, jsonrpc::parseError, "Parse error", "linie respinsă (nu e JSON)")}};
    if (!message->is_array()) return {{handleMessage(server, conversation, *message)}};
    if (message->empty() || !acceptsBatches(conversation.revision()))
        return {{rejected(conversation, std::nullopt, jsonrpc::invalidRequest,
                          message->empty() ? "Invalid Request" : "Invalid Request: this revision takes no batches",
                          "linie respinsă (lot JSON-RPC gol sau în afara revizuirii 2025-03-26)")}};
    HandledLine batch{{}, true};
    for (const json& element : *message) batch.parts.push_back(handleMessage(server, conversation, element, true));
    return batch;
}

json answerOverlongLine(const Conversation& conversation) {
    logLine("linie respinsă (mai lungă de 64 MiB)");
    return jsonrpc::errorWithoutId(conversation.revision(), jsonrpc::invalidRequest,
                                   "Invalid Request: the line is longer than 64 MiB");
}

std::optional<json> answerLine(const MCPServer& server, Conversation& conversation, std::string_view line) {
    HandledLine handled = handleLine(server, conversation, line);
    json answers = json::array();
    for (Handled& part : handled.parts) {
        if (part.call) answers.push_back(answerToolCall(server, *part.call));
        else if (part.answer) answers.push_back(std::move(*part.answer));
    }
    if (answers.empty()) return std::nullopt;
    return handled.batch ? answers : answers.front();
}

}  // namespace quillon::mcp
