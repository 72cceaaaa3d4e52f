#include "mcp/json_rpc.h"

namespace quillon::mcp::jsonrpc {

using nlohmann::json;

const json* member(const json& object, const char* key, json::value_t type) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    if (found == object.end() || found->type() != type) return nullptr;
    return &*found;
}

Envelope readEnvelope(const json& message) {
    Envelope envelope;
    if (!message.is_object()) return envelope;
    if (const auto id = message.find("id"); id != message.end()) envelope.id = *id;
    const auto method = message.find("method");
    if (method == message.end()) {
        if (envelope.id && (message.contains("result") || message.contains("error")))
            envelope.kind = Envelope::Kind::response;
        return envelope;
    }
    if (!method->is_string()) return envelope;
    envelope.method = method->get<std::string>();
    // notifications/… never get an answer, even sent with an id.
    const bool notification = !envelope.id || envelope.method.rfind("notifications/", 0) == 0;
    envelope.kind = notification ? Envelope::Kind::notification : Envelope::Kind::request;
    return envelope;
}

json success(const json& id, json result) { return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}}; }

json error(const json& id, int code, const std::string& message, json data) {
    json answer = {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
    if (!data.is_null()) answer["error"]["data"] = std::move(data);
    return answer;
}

json errorWithoutId(ProtocolRevision revision, int code, const std::string& message) {
    json answer = {{"jsonrpc", "2.0"}, {"error", {{"code", code}, {"message", message}}}};
    if (!omitsUnreadableIds(revision)) answer["id"] = nullptr;
    return answer;
}

json errorFor(ProtocolRevision revision, const std::optional<json>& id, int code, const std::string& message) {
    return id ? error(*id, code, message) : errorWithoutId(revision, code, message);
}

}  // namespace quillon::mcp::jsonrpc
