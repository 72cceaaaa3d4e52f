#pragma once
// The learn screen's tmux cheat sheet: the commands and keys a newcomer needs, by topic, each
// with a short title and a friendly explanation, in the current language. In keys,
// "⟨prefix⟩" stands for the server's prefix key.

#include <string>
#include <string_view>
#include <vector>

namespace quillon::ui {

struct CheatItem {
    std::string keys;
    std::string title;
    std::string detail;

    std::string id() const { return keys + title; }
    bool operator==(const CheatItem&) const = default;
};

struct CheatCategory {
    std::string name;
    std::string icon;  // symbol name (icons.h)
    std::vector<CheatItem> items;

    bool operator==(const CheatCategory&) const = default;
};

namespace CheatSheet {

inline constexpr std::string_view prefixPlaceholder = "⟨prefix⟩";

// Every category in order, built anew in the current language.
std::vector<CheatCategory> categories();
// Whether the item's keys, title or detail contain the query, letter case ignored; an empty
// query matches everything. Category names are not searched.
bool matches(const CheatItem& item, std::string_view query);
// The keys with every placeholder replaced by the prefix.
std::string withPrefix(std::string_view keys, std::string_view prefix);

}  // namespace CheatSheet

}  // namespace quillon::ui
