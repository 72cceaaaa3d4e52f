#include "tests/mcp/schema_check.h"

#include <algorithm>
#include <regex>
#include <set>

namespace quillon::testing {
namespace {

using nlohmann::json;

bool hasType(const json& value, const std::string& type) {
    if (type == "object") return value.is_object();
    if (type == "array") return value.is_array();
    if (type == "string") return value.is_string();
    if (type == "integer") return value.is_number_integer();
    if (type == "number") return value.is_number();
    if (type == "boolean") return value.is_boolean();
    if (type == "null") return value.is_null();
    return false;
}

bool isDateTime(const std::string& text) {
    static const std::regex pattern(R"(\d{4}-\d{2}-\d{2}T\d{2}:\d{2}:\d{2}(\.\d+)?(Z|[+-]\d{2}:\d{2}))");
    return std::regex_match(text, pattern);
}

void check(const json& schema, const json& value, const std::string& where, std::vector<std::string>& out) {
    static const std::set<std::string> understood = {"type",  "properties", "required", "additionalProperties",
                                                     "items", "enum",       "format",   "description"};
    const auto fail = [&](const std::string& what) { out.push_back((where.empty() ? "/" : where) + ": " + what); };
    if (!schema.is_object()) return fail("schema is not an object");
    for (const auto& [keyword, _] : schema.items())
        if (!understood.count(keyword)) fail("unchecked keyword " + keyword);

    if (schema.contains("type") && !hasType(value, schema["type"].get<std::string>()))
        return fail("expected " + schema["type"].get<std::string>() + ", got " + value.dump());
    if (schema.contains("enum") &&
        std::find(schema["enum"].begin(), schema["enum"].end(), value) == schema["enum"].end())
        fail(value.dump() + " is not one of " + schema["enum"].dump());
    if (schema.value("format", "") == "date-time" && value.is_string() && !isDateTime(value.get<std::string>()))
        fail(value.dump() + " is no date-time");
    else if (schema.contains("format") && schema["format"] != "date-time")
        fail("unchecked format " + schema["format"].dump());

    if (value.is_object()) {
        const json properties = schema.value("properties", json::object());
        for (const auto& name : schema.value("required", json::array()))
            if (!value.contains(name.get<std::string>())) fail("missing " + name.get<std::string>());
        for (const auto& [name, member] : value.items()) {
            if (properties.contains(name))
                check(properties[name], member, where + "/" + name, out);
            else if (schema.value("additionalProperties", true) == false)
                fail("unexpected member " + name);
        }
    }
    if (value.is_array() && schema.contains("items"))
        for (std::size_t i = 0; i < value.size(); ++i)
            check(schema["items"], value[i], where + "/" + std::to_string(i), out);
}

}  // namespace

std::vector<std::string> schemaViolations(const json& schema, const json& value) {
    std::vector<std::string> out;
    check(schema, value, "", out);
    return out;
}

}  // namespace quillon::testing
