#include "mcp/json_line.h"

namespace quillon::mcp {
namespace {

// Nesting depth of arrays and objects within the limit, ignoring brackets inside strings.
// A NUL byte never belongs in JSON text, but the parser would take it for the end of input.
bool plausibleJson(std::string_view text, std::size_t limit) {
    std::size_t depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\0') return false;
        if (inString) {
            if (c == '\\') ++i;
            else if (c == '"') inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > limit) return false;
        } else if ((c == ']' || c == '}') && depth > 0) {
            --depth;
        }
    }
    return true;
}

}  // namespace

std::optional<nlohmann::json> parseJsonLine(std::string_view text) {
    if (!plausibleJson(text, maxJsonDepth)) return std::nullopt;
    try {
        nlohmann::json value = nlohmann::json::parse(text.begin(), text.end(), nullptr, true, false);
        if (value.is_discarded()) return std::nullopt;
        return value;
    } catch (const std::exception&) {
        // parse_error, and out_of_range for numbers such as 1e999.
        return std::nullopt;
    }
}

std::optional<std::string> serializeJsonLine(const nlohmann::json& value) {
    try {
        return value.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace quillon::mcp
