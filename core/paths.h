#pragma once
// Path helpers with the semantics the reports rely on.

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

}  // namespace quillon::paths
