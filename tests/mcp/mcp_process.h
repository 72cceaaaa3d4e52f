#pragma once
// A running quillon-mcp for the tests that need a real process: write lines to its stdin,
// read its stdout line by line, collect its stderr. Never blocks past a deadline; the child
// is always reaped.

#include <nlohmann/json.hpp>

#include <chrono>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/process_runner.h"

namespace quillon::testing {

class McpProcess {
public:
    // Environment changes for the child only (nothing = unset); the rest is inherited unless
    // inheritRest is false, when the child sees these variables alone.
    using EnvChanges = std::map<std::string, std::optional<std::string>>;

    explicit McpProcess(const EnvChanges& env, bool inheritRest = true);
    ~McpProcess();
    McpProcess(const McpProcess&) = delete;
    McpProcess& operator=(const McpProcess&) = delete;

    void send(std::string_view bytes);
    // The next stdout line (without its line feed), or nothing at end of output or deadline.
    std::optional<std::string> readLine(std::chrono::milliseconds timeout = std::chrono::seconds(30));
    // Sends one request line and parses the one answer line.
    nlohmann::json request(const nlohmann::json& message);
    void closeOutput() { out_.reset(); }  // our read end of the child's stdout
    // Closes stdin, then returns everything left on stdout and the exit code.
    std::pair<std::string, int> finish();
    // stderr lines so far.
    std::vector<std::string> logLines();

private:
    // Moves whatever is available from the child into the buffers; false when nothing came.
    bool pump(std::chrono::milliseconds wait);

    ChildProcess child_;
    UniqueFd in_, out_, err_;
    std::string outBuffer_, errBuffer_;
};

}  // namespace quillon::testing
