#pragma once
// Texts that name a desktop product, path or habit. The macOS build says the macOS thing
// (Finder, Homebrew, ⌘R); the Linux build says the Linux thing, in both languages. Both sets
// live here side by side, and every caller asks here instead of spelling them out.

#include <string>

namespace quillon {

enum class PlatformText {
    installCommand,          // "brew install tmux"
    installItWith,           // "Install it with “brew install tmux”."
    installTmuxWith,         // "Install tmux with “brew install tmux”."
    installThenReopen,       // "Install it with Homebrew, then reopen the app:"
    fileManagerButton,       // "Finder"
    openDirectoryTooltip,    // "Open directory in Finder"
    openInFileManager,       // "Open in Finder"
    refreshTooltip,          // "Reload server state (⌘R)"
    closeNotificationFooter, // "… you get a macOS notification for each closed session or window."
    aboutDescription,        // "Native control panel for tmux on macOS."
    shellCommandExample,     // "shell command (e.g. osascript -e …)"
};

enum class DesktopPlatform { macOS, linuxDesktop };

// The platform this build runs on.
DesktopPlatform currentPlatform();

// The text in the current language for this build's platform.
std::string platformText(PlatformText text);
std::string platformText(PlatformText text, DesktopPlatform platform);

}  // namespace quillon
