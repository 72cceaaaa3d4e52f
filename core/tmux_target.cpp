#include "core/tmux_target.h"

#include <algorithm>

namespace quillon {
namespace {

// "$2", "@5", "%3": a sigil and digits.
bool isTmuxId(std::string_view head) {
    return head.size() > 1 && (head[0] == '$' || head[0] == '@' || head[0] == '%') &&
           std::all_of(head.begin() + 1, head.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::string exactTarget(std::string_view target) {
    const std::size_t colon = target.find(':');
    if (target.empty() || target.front() == '=' || isTmuxId(target.substr(0, target.find_first_of(":."))))
        return std::string(target);
    // tmux turns "." in session names into "_": a dot before any colon is a pane separator.
    if (colon == std::string_view::npos) {
        if (target.find('.') != std::string_view::npos) return std::string(target);
        return "=" + std::string(target) + ":";
    }
    return "=" + std::string(target);
}

}  // namespace quillon
