#pragma once
// Enumerations persist as their raw strings; every enum with a toRaw() parses back the same way.

#include <optional>
#include <string_view>

namespace quillon {

// The case among cases whose toRaw() is exactly raw (case-sensitive), or nothing.
template <class Cases>
auto caseFromRaw(const Cases& cases, std::string_view raw) -> std::optional<std::decay_t<decltype(*std::begin(cases))>> {
    for (const auto& value : cases)
        if (toRaw(value) == raw) return value;
    return std::nullopt;
}

}  // namespace quillon
