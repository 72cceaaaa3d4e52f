#pragma once
// JSON-RPC 2.0 as MCP carries it: what one decoded message is, and the responses written
// back. Members are read only with the type JSON-RPC gives them; `jsonrpc` is not checked,
// as clients of the first revisions often left it out.

#include <nlohmann/json.hpp>

#include <optional>
#include <string>

#include "mcp/protocol_revision.h"

namespace quillon::mcp::jsonrpc {

inline constexpr int parseError = -32700;
inline constexpr int invalidRequest = -32600;
inline constexpr int methodNotFound = -32601;
inline constexpr int invalidParams = -32602;
inline constexpr int unsupportedProtocolVersion = -32022;

struct Envelope {
    // request: method and id; notification: method, no id (or a notifications/… method);
    // response: an id with a result or an error (a client answering something we never
    // asked); invalid: none of these.
    enum class Kind { request, notification, response, invalid };
    Kind kind = Kind::invalid;
    std::optional<nlohmann::json> id;  // present, whatever its value (null too)
    std::string method;
};
Envelope readEnvelope(const nlohmann::json& message);

// A member of an object, when present with the wanted type.
const nlohmann::json* member(const nlohmann::json& object, const char* key, nlohmann::json::value_t type);

nlohmann::json success(const nlohmann::json& id, nlohmann::json result);
nlohmann::json error(const nlohmann::json& id, int code, const std::string& message, nlohmann::json data = nullptr);
// For a message whose id could not be read: null, or left out where the revision says so.
nlohmann::json errorWithoutId(ProtocolRevision revision, int code, const std::string& message);
// With the id when there is one, else as errorWithoutId.
nlohmann::json errorFor(ProtocolRevision revision, const std::optional<nlohmann::json>& id, int code,
                        const std::string& message);

}  // namespace quillon::mcp::jsonrpc
