#pragma once
// Checks a JSON value against the small part of JSON Schema the tools' output schemas use
// (type, properties, required, additionalProperties false, items, enum, format date-time,
// description). A keyword outside that part is reported too, so the check never passes a
// schema it did not understand.

#include <nlohmann/json.hpp>

#include <string>
#include <vector>

namespace quillon::testing {

// Each violation as "<JSON pointer>: what is wrong"; empty when the value matches.
std::vector<std::string> schemaViolations(const nlohmann::json& schema, const nlohmann::json& value);

}  // namespace quillon::testing
