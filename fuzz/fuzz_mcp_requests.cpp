// quillon-mcp's side of the conversation: request lines in, answers out, through the same
// reader and dispatcher the stdio loop uses, every tool's argument parsing included (tmux is
// real, in a private directory with no server, so no call reaches anything of the user's).
// Every request that carries an id (alone or in a batch) gets a well-formed answer with that
// id, a notification gets none, and an answer survives being written and read again; so
// does any line that reads as JSON.

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <string>

#include "core/text.h"
#include "fuzz/fuzz_check.h"
#include "mcp/json_line.h"
#include "mcp/mcp_server.h"
#include "mcp/request_handler.h"

namespace {

using namespace quillon;
using nlohmann::json;

// A request: an object with a string method (not a notification) and an id of any value.
bool isRequest(const json& message) {
    if (!message.is_object() || !message.contains("id")) return false;
    const auto method = message.find("method");
    return method != message.end() && method->is_string() &&
           !text::startsWith(method->get_ref<const std::string&>(), "notifications/");
}

void checkRoundTrip(const json& value) {
    const auto written = mcp::serializeJsonLine(value);
    FUZZ_CHECK(written.has_value());
    FUZZ_CHECK(written->find('\n') == std::string::npos);
    FUZZ_CHECK(mcp::parseJsonLine(*written) == value);
}

void checkResponse(const json& response) {
    FUZZ_CHECK(response.is_object() && response.value("jsonrpc", "") == "2.0");
    FUZZ_CHECK(response.contains("result") != response.contains("error"));
}

// Each request of the message (one, or the elements of a batch) has exactly one response with
// its id among the answer's, unless the revision refuses batches as a whole; a message holding
// no request may still be refused (an error).
void checkAnswer(const std::optional<json>& message, const std::optional<json>& answer) {
    std::vector<json> requests;
    if (message && isRequest(*message)) requests.push_back(*message);
    if (message && message->is_array())
        for (const json& element : *message)
            if (isRequest(element)) requests.push_back(element);
    if (!answer) {
        FUZZ_CHECK(requests.empty());
        return;
    }
    checkRoundTrip(*answer);
    // A revision without batches refuses the whole array with one Invalid Request.
    if (message && message->is_array() && answer->is_object()) {
        checkResponse(*answer);
        FUZZ_CHECK(answer->contains("error") && (*answer)["error"].value("code", 0) == -32600);
        return;
    }
    const json responses = answer->is_array() ? *answer : json::array({*answer});
    for (const json& response : responses) checkResponse(response);
    for (const json& request : requests) {
        const auto withId = std::count_if(responses.begin(), responses.end(),
                                          [&](const json& r) { return r.contains("id") && r["id"] == request["id"]; });
        FUZZ_CHECK(withId >= 1);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Everything the server could read or reach lives in a directory of this run.
    const auto home = std::filesystem::temp_directory_path() / ("quillon-fuzz-mcp-" + std::to_string(::getpid()));
    for (const char* dir : {"", "/config", "/state", "/runtime", "/tmux"})
        std::filesystem::create_directories(home.string() + dir);
    ::setenv("HOME", home.c_str(), 1);
    ::setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (home / "state").c_str(), 1);
    ::setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    ::setenv("TMUX_TMPDIR", (home / "tmux").c_str(), 1);
    ::unsetenv("TMUX");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const mcp::MCPServer server;
    mcp::Conversation conversation;
    const std::string input(reinterpret_cast<const char*>(data), size);
    int lines = 0;
    for (auto line : text::split(input, "\n", true)) {
        if (++lines > 16) break;
        const auto message = mcp::parseJsonLine(text::trim(line));
        if (message) checkRoundTrip(*message);
        checkAnswer(message, mcp::answerLine(server, conversation, line));
    }
    return 0;
}
