#pragma once
// A running quillon-mcp for tests: write lines to its stdin, read its stdout line by line,
// collect its stderr. Never blocks past a deadline; the child is always reaped.

#include <nlohmann/json.hpp>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/process_runner.h"

namespace quillon::testing {

using namespace std::chrono_literals;

class McpProcess {
public:
    // Environment changes for the child only (nothing = unset); the rest is inherited unless
    // inheritRest is false, when the child sees these variables alone.
    using EnvChanges = std::map<std::string, std::optional<std::string>>;

    explicit McpProcess(const EnvChanges& env = {}, bool inheritRest = true);
    ~McpProcess();
    McpProcess(const McpProcess&) = delete;
    McpProcess& operator=(const McpProcess&) = delete;

    void send(std::string_view bytes);
    void sendLine(std::string_view line) { send(std::string(line) + "\n"); }
    // The next stdout line (without its line feed), or nothing at end of output or deadline.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout = 30s);
    // Sends one request and parses the one answer line.
    nlohmann::json request(const nlohmann::json& message, std::chrono::milliseconds timeout = 30s);
    // A tools/call request; returns {text, isError}.
    std::pair<std::string, bool> callTool(const std::string& name, const nlohmann::json& arguments = nlohmann::json::object(),
                                          std::chrono::milliseconds timeout = 30s);

    void closeInput();
    void closeOutput();  // our read end of the child's stdout
    // Closes stdin, then returns everything left on stdout and the exit code.
    std::pair<std::string, int> finish(std::chrono::milliseconds timeout = 10s);
    // stderr lines seen so far (waits briefly for late ones).
    std::vector<std::string> logLines();

private:
    // Moves whatever is available from the child into the buffers; false when nothing came.
    bool pump(std::chrono::milliseconds wait);

    ChildProcess child_;
    UniqueFd in_;
    UniqueFd out_;
    UniqueFd err_;
    std::string outBuffer_;
    std::string errBuffer_;
};

// A document of the app's defaults domain holding the stored language, under xdgConfigHome.
void storeAppLanguage(const std::string& xdgConfigHome, const std::string& language);

}  // namespace quillon::testing
