#include "mcp/stdio_loop.h"

#include <unistd.h>

#include <cerrno>
#include <string>

#include "core/text.h"
#include "mcp/json_line.h"
#include "mcp/line_reader.h"

namespace quillon::mcp {
namespace {

using nlohmann::json;

constexpr std::string_view instructions =
    "Quillon MCP: fereastra către serverele tmux ale acestei mașini — serverele în care trăiesc agenții flotei. "
    "Citește direct de la binarul `tmux`, deci răspunde și cu aplicația Quillon închisă. Începe cu "
    "`tmux_census`: îți spune ce socket-uri există pe disc, care dintre ele au un server VIU în spate și ce "
    "sesiuni rulează, cu vechime, stare de atașare și proiectul corelat din cwd. Ăsta e singurul control al lui "
    "„cine e viu” care nu depinde de niciun registru — un fișier-socket rămâne pe disc după ce serverul moare, "
    "deci un registru poate raporta sesiuni care nu mai există; când registrul și `tmux_census` nu sunt de "
    "acord, tmux are dreptate. Toate verbele sunt de CITIRE: serverul nu poate omorî, crea sau trimite taste "
    "nicăieri. Ce nu se poate măsura se raportează „necunoscut”, niciodată 0.";

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

void logIgnored() { logLine("linie ignorată (nu e JSON sau n-are metodă)"); }

json success(const json& id, json result) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"result", std::move(result)}};
}

json errorResponse(const json& id, int code, const std::string& message) {
    return {{"jsonrpc", "2.0"}, {"id", id}, {"error", {{"code", code}, {"message", message}}}};
}

// A member of an object, when present with the wanted type.
const json* member(const json& object, const char* key, json::value_t type) {
    if (!object.is_object()) return nullptr;
    const auto found = object.find(key);
    if (found == object.end() || found->type() != type) return nullptr;
    return &*found;
}

json initializeResult(const MCPServer& server, Conversation& conversation, const json& request) {
    std::optional<std::string_view> asked;
    if (const json* params = member(request, "params", json::value_t::object))
        if (const json* version = member(*params, "protocolVersion", json::value_t::string))
            asked = version->get_ref<const std::string&>();
    conversation.revision = negotiate(asked);
    return {{"protocolVersion", toRaw(conversation.revision)},
            {"capabilities", {{"tools", json::object()}}},
            {"serverInfo", {{"name", server.name}, {"version", server.version}}},
            {"instructions", instructions}};
}

json toolCallResult(const MCPServer& server, const Conversation& conversation, const json& request) {
    static const json noArguments = json::object();
    const json* params = member(request, "params", json::value_t::object);
    const json* name = params ? member(*params, "name", json::value_t::string) : nullptr;
    const json* arguments = params ? member(*params, "arguments", json::value_t::object) : nullptr;

    ToolResult result;
    try {
        result = server.callTool(name ? name->get<std::string>() : std::string(), arguments ? *arguments : noArguments);
    } catch (const std::exception& error) {
        // Handlers report their own failures; this only keeps a surprise from ending the server.
        result = {error.what(), true};
    }
    json answer = {{"content", json::array({{{"type", "text"}, {"text", std::move(result.text)}}})},
                   {"isError", result.isError}};
    // Failures carry no data; the text says what went wrong.
    if (hasStructuredContent(conversation.revision) && !result.isError && result.structured.is_object())
        answer["structuredContent"] = std::move(result.structured);
    return answer;
}

}  // namespace

void logLine(std::string_view message) {
    std::string line = "[quillon-mcp] ";
    line += message;
    line += '\n';
    writeAll(STDERR_FILENO, line);  // a closed stderr must not matter
}

std::optional<json> answerLine(const MCPServer& server, Conversation& conversation, std::string_view line) {
    const std::string_view trimmed = text::trim(line);
    if (trimmed.empty()) return std::nullopt;

    const auto request = parseJsonLine(trimmed);
    const json* method = request ? member(*request, "method", json::value_t::string) : nullptr;
    if (!method) {
        logIgnored();
        return std::nullopt;
    }
    const auto idMember = request->find("id");
    const bool hasId = idMember != request->end();
    const json id = hasId ? *idMember : json();
    const std::string& name = method->get_ref<const std::string&>();

    // Requests without an id and notifications get no answer, and change nothing.
    if (!hasId || text::startsWith(name, "notifications/")) return std::nullopt;
    if (name == "initialize") return success(id, initializeResult(server, conversation, *request));
    if (name == "tools/list") return success(id, {{"tools", server.tools(conversation.revision)}});
    if (name == "tools/call") return success(id, toolCallResult(server, conversation, *request));
    if (name == "ping") return success(id, json::object());
    return errorResponse(id, -32601, "Method not found: " + name);
}

int runStdioLoop(const MCPServer& server, int input, int output) {
    LineReader reader(input, maxRequestLineBytes);
    Conversation conversation;
    while (auto line = reader.next()) {
        if (line->tooLong) {
            logIgnored();
            continue;
        }
        const auto answer = answerLine(server, conversation, line->text);
        if (!answer) continue;
        const auto serialized = serializeJsonLine(*answer);
        if (!serialized) continue;
        if (!writeAll(output, *serialized + "\n")) {
            logLine("stdout închis; ies");
            return 0;
        }
    }
    logLine("stdin închis; ies");
    return 0;
}

}  // namespace quillon::mcp
