#pragma once
// Path helpers with the semantics the reports rely on.

#include <map>
#include <string>
#include <string_view>

namespace quillon::paths {

std::string homeDirectory();
// "~" and "~/x" only; "~user" stays.
std::string expandTilde(std::string_view path);
// Joins one component: a trailing separator of base is not doubled.
std::string join(std::string_view base, std::string_view component);
// Removes ".", "..", redundant and trailing slashes; purely textual.
std::string standardize(std::string_view path);
std::string lastComponent(std::string_view path);

// An XDG base directory: the variable's value when it is absolute (relative values are
// invalid for XDG and ignored), else the fallback under $HOME (or the account's home),
// e.g. xdgDirectory(environment, "XDG_STATE_HOME", ".local/state").
std::string xdgDirectory(const std::map<std::string, std::string>& environment, const std::string& variable,
                         std::string_view fallbackUnderHome);

}  // namespace quillon::paths
