#include "mcp/tool_arguments.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "core/l10n.h"
#include "core/paths.h"
#include "core/server_scanner.h"
#include "core/text.h"

namespace quillon::mcp {
namespace {

const nlohmann::json* member(const Arguments& arguments, std::string_view key) {
    if (!arguments.is_object()) return nullptr;
    const auto found = arguments.find(key);
    return found == arguments.end() ? nullptr : &*found;
}

}  // namespace

std::optional<std::string> stringArgument(const Arguments& arguments, std::string_view key) {
    const nlohmann::json* value = member(arguments, key);
    if (!value || !value->is_string()) return std::nullopt;
    return value->get<std::string>();
}

std::optional<std::string> nonEmptyStringArgument(const Arguments& arguments, std::string_view key) {
    auto value = stringArgument(arguments, key);
    if (value && value->empty()) return std::nullopt;
    return value;
}

std::vector<std::string> stringElements(const Arguments& arguments, std::string_view key) {
    std::vector<std::string> out;
    const nlohmann::json* value = member(arguments, key);
    if (!value || !value->is_array()) return out;
    for (const nlohmann::json& element : *value)
        if (element.is_string()) out.push_back(element.get<std::string>());
    return out;
}

std::optional<std::int64_t> integerArgument(const Arguments& arguments, std::string_view key) {
    const nlohmann::json* value = member(arguments, key);
    if (!value) return std::nullopt;
    if (value->is_number_integer() && !value->is_number_unsigned()) return value->get<std::int64_t>();
    if (value->is_number_unsigned()) {
        const auto number = value->get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max())) return std::nullopt;
        return static_cast<std::int64_t>(number);
    }
    if (value->is_number_float()) {
        const double number = value->get<double>();
        // 2^63 itself does not fit; every smaller integral double does.
        if (!std::isfinite(number) || std::trunc(number) != number || number < -9223372036854775808.0 ||
            number >= 9223372036854775808.0)
            return std::nullopt;
        return static_cast<std::int64_t>(number);
    }
    return std::nullopt;
}

std::string socketDirectoryArgument(const Arguments& arguments) {
    if (auto directory = stringArgument(arguments, "socket_dir")) return paths::expandTilde(*directory);
    return TmuxServerScanner::defaultSocketDirectory();
}

std::pair<TmuxClient, std::string> targetServer(const TmuxClient& client, const Arguments& arguments) {
    TmuxClient bound = client;
    if (auto name = nonEmptyStringArgument(arguments, "socket")) {
        bound.socketArgs = {"-L", *name};
        return {bound, L("socketul '" + *name + "'", "socket '" + *name + "'")};
    }
    if (auto path = nonEmptyStringArgument(arguments, "socket_path")) {
        const std::string expanded = paths::expandTilde(*path);
        bound.socketArgs = {"-S", expanded};
        return {bound, expanded};
    }
    return {bound, L("serverul implicit", "the default server")};
}

HostChoice hostArgument(const Arguments& arguments, const std::vector<std::string>& storedHosts) {
    const auto wanted = nonEmptyStringArgument(arguments, "host");
    if (!wanted) return {};
    if (std::find(storedHosts.begin(), storedHosts.end(), *wanted) != storedHosts.end()) return {*wanted, {}};
    if (storedHosts.empty())
        return {{}, L("Gazdă necunoscută '" + *wanted + "'. Nicio gazdă salvată; adaug-o în Quillon → Setări → Gazde.",
                      "Unknown host '" + *wanted + "'. No host is stored; add it in Quillon → Settings → Hosts.")};
    const std::string stored = text::join(storedHosts, ", ");
    return {{}, L("Gazdă necunoscută '" + *wanted + "'. Gazde salvate: " + stored + ".",
                  "Unknown host '" + *wanted + "'. Stored hosts: " + stored + ".")};
}

std::pair<TmuxClient, std::string> targetServerOn(const TmuxClient& client, const Arguments& arguments,
                                                  const std::optional<std::string>& host) {
    auto [bound, description] = targetServer(client, arguments);
    if (!host) return {bound, description};
    bound.host = host;
    return {bound, L(description + " pe " + *host, description + " on " + *host)};
}

std::string targetSocketPath(const Arguments& arguments) {
    if (auto path = nonEmptyStringArgument(arguments, "socket_path")) return paths::expandTilde(*path);
    const std::string directory = TmuxServerScanner::defaultSocketDirectory();
    if (auto name = nonEmptyStringArgument(arguments, "socket")) return paths::join(directory, *name);
    return paths::join(directory, "default");
}


std::variant<std::vector<PaneState>, std::string> paneStatesArgument(const Arguments& arguments,
                                                                      std::string_view key) {
    std::vector<PaneState> states;
    for (const std::string& raw : stringElements(arguments, key)) {
        const auto state = paneStateFromRaw(raw);
        if (!state) {
            std::vector<std::string> names;
            for (PaneState each : allPaneStates()) names.emplace_back(toRaw(each));
            const std::string known = text::join(names, ", ");
            return L("Stare necunoscută '" + raw + "'. Stări: " + known + ".",
                     "Unknown state '" + raw + "'. States: " + known + ".");
        }
        states.push_back(*state);
    }
    return states;
}

}  // namespace quillon::mcp
