#pragma once
// The terminal applications an attach command can be opened in.

#include <optional>
#include <string_view>
#include <vector>

namespace quillon {

// Declaration order is the order of every list shown to the user.
enum class TerminalApp { terminal, iterm, ghostty, wezterm, alacritty };

// The stored identifier ("Terminal", "iTerm", …); fromRaw is exact and case-sensitive.
std::string_view toRaw(TerminalApp app);
std::optional<TerminalApp> terminalAppFromRaw(std::string_view raw);
const std::vector<TerminalApp>& allTerminalApps();

// "iTerm2" for iTerm, otherwise the raw value.
std::string_view displayName(TerminalApp app);
// What macOS finds the installed application by.
std::string_view bundleID(TerminalApp app);
// Terminal and iTerm are driven by AppleScript; the others are opened with arguments.
bool usesAppleScript(TerminalApp app);

}  // namespace quillon
