#include "core/tmux_target.h"

#include <algorithm>

namespace quillon {

bool isTmuxId(std::string_view text) {
    return text.size() > 1 && (text[0] == '$' || text[0] == '@' || text[0] == '%') &&
           std::all_of(text.begin() + 1, text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string_view sessionPart(std::string_view target) {
    const std::size_t colon = target.find(':');
    if (colon != std::string_view::npos) return target.substr(0, colon);
    // tmux turns "." in session names into "_": a dot without a colon separates window and pane.
    if (target.find('.') != std::string_view::npos) return {};
    return target;
}

std::string exactTarget(std::string_view target) {
    if (target.empty() || isTmuxId(target.substr(0, target.find_first_of(":."))))
        return std::string(target);
    if (target.find(':') == std::string_view::npos) {
        if (target.find('.') != std::string_view::npos) return std::string(target);
        return "=" + std::string(target) + ":";
    }
    return "=" + std::string(target);
}

std::string exactSessionName(std::string_view name) { return "=" + std::string(name); }

}  // namespace quillon
