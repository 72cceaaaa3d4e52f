#include "core/terminal_app.h"

#include <array>

#include "core/raw_value.h"

namespace quillon {
namespace {

struct Entry {
    TerminalApp app;
    std::string_view raw;
    std::string_view displayName;
    std::string_view bundleID;
    bool usesAppleScript;
};

constexpr std::array<Entry, 5> catalogue{{
    {TerminalApp::terminal, "Terminal", "Terminal", "com.apple.Terminal", true},
    {TerminalApp::iterm, "iTerm", "iTerm2", "com.googlecode.iterm2", true},
    {TerminalApp::ghostty, "Ghostty", "Ghostty", "com.mitchellh.ghostty", false},
    {TerminalApp::wezterm, "WezTerm", "WezTerm", "com.github.wez.wezterm", false},
    {TerminalApp::alacritty, "Alacritty", "Alacritty", "org.alacritty", false},
}};

const Entry& entry(TerminalApp app) { return catalogue[static_cast<std::size_t>(app)]; }

}  // namespace

std::string_view toRaw(TerminalApp app) { return entry(app).raw; }

std::optional<TerminalApp> terminalAppFromRaw(std::string_view raw) {
    return caseFromRaw(allTerminalApps(), raw);
}

const std::vector<TerminalApp>& allTerminalApps() {
    static const std::vector<TerminalApp> all = [] {
        std::vector<TerminalApp> apps;
        for (const Entry& e : catalogue) apps.push_back(e.app);
        return apps;
    }();
    return all;
}

std::string_view displayName(TerminalApp app) { return entry(app).displayName; }
std::string_view bundleID(TerminalApp app) { return entry(app).bundleID; }
bool usesAppleScript(TerminalApp app) { return entry(app).usesAppleScript; }

}  // namespace quillon
