#pragma once
// Reading tool arguments: a member counts only with the JSON type the tool expects;
// anything else reads as absent. Plus the two socket resolvers the single-server tools share.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

#include "core/pane_state.h"
#include "core/tmux_client.h"

namespace quillon::mcp {

using Arguments = nlohmann::json;  // always an object

std::optional<std::string> stringArgument(const Arguments& arguments, std::string_view key);
// A string with at least one character.
std::optional<std::string> nonEmptyStringArgument(const Arguments& arguments, std::string_view key);
// The string elements of an array, in order; none when the member is not an array.
std::vector<std::string> stringElements(const Arguments& arguments, std::string_view key);
// The pane states named under key, in order (none: every state), or the text that names the
// one not known and lists those that are.
std::variant<std::vector<PaneState>, std::string> paneStatesArgument(const Arguments& arguments,
                                                                      std::string_view key);
// A number that is exactly an integer (2 and 2.0, not 2.5, not "2").
std::optional<std::int64_t> integerArgument(const Arguments& arguments, std::string_view key);

// `socket_dir` tilde-expanded, else the default socket directory of this process.
std::string socketDirectoryArgument(const Arguments& arguments);

// The client bound to `socket` (-L), else `socket_path` (-S), else the given one (the
// default server), with a description of that server in the reply language.
std::pair<TmuxClient, std::string> targetServer(const TmuxClient& client, const Arguments& arguments);
// `host`: nothing (this machine) when absent or empty; a stored destination; else the error
// text that lists the stored ones. Agents can never name a host of their own.
struct HostChoice {
    std::optional<std::string> destination;
    std::optional<std::string> error;
};
HostChoice hostArgument(const Arguments& arguments, const std::vector<std::string>& storedHosts);
// targetServer on the chosen host: the client runs there and the description names it.
std::pair<TmuxClient, std::string> targetServerOn(const TmuxClient& client, const Arguments& arguments,
                                                  const std::optional<std::string>& host);

// The socket file behind the same arguments: `socket_path`, else <default dir>/<socket>,
// else <default dir>/default.
std::string targetSocketPath(const Arguments& arguments);

}  // namespace quillon::mcp
