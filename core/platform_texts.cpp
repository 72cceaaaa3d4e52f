#include "core/platform_texts.h"

#include "core/l10n.h"

namespace quillon {
namespace {

struct Pair {
    const char* ro;
    const char* en;
};

struct Entry {
    Pair macOS;
    Pair linuxDesktop;
};

Entry entry(PlatformText text) {
    switch (text) {
        case PlatformText::installCommand:
            return {{"brew install tmux", "brew install tmux"}, {"sudo apt install tmux", "sudo apt install tmux"}};
        case PlatformText::installItWith:
            return {{"Instalează-l cu „brew install tmux”.", "Install it with “brew install tmux”."},
                    {"Instalează-l cu „sudo apt install tmux”.", "Install it with “sudo apt install tmux”."}};
        case PlatformText::installTmuxWith:
            return {{"Instalează tmux cu „brew install tmux”.", "Install tmux with “brew install tmux”."},
                    {"Instalează tmux cu „sudo apt install tmux”.", "Install tmux with “sudo apt install tmux”."}};
        case PlatformText::installThenReopen:
            return {{"Instalează-l cu Homebrew, apoi redeschide aplicația:", "Install it with Homebrew, then reopen the app:"},
                    {"Instalează-l cu apt, apoi redeschide aplicația:", "Install it with apt, then reopen the app:"}};
        case PlatformText::fileManagerButton:
            return {{"Finder", "Finder"}, {"Dosar", "Folder"}};
        case PlatformText::openDirectoryTooltip:
            return {{"Deschide directorul în Finder", "Open directory in Finder"},
                    {"Deschide directorul în managerul de fișiere", "Open directory in the file manager"}};
        case PlatformText::openInFileManager:
            return {{"Deschide în Finder", "Open in Finder"},
                    {"Deschide în managerul de fișiere", "Open in file manager"}};
        case PlatformText::refreshTooltip:
            return {{"Reîncarcă starea serverului (⌘R)", "Reload server state (⌘R)"},
                    {"Reîncarcă starea serverului (Ctrl+R)", "Reload server state (Ctrl+R)"}};
        case PlatformText::closeNotificationFooter:
            return {{"Când scanner-ul rulează, primești o notificare macOS la fiecare sesiune sau fereastră închisă.",
                     "While the scanner runs, you get a macOS notification for each closed session or window."},
                    {"Când scanner-ul rulează, primești o notificare pe desktop la fiecare sesiune sau fereastră închisă.",
                     "While the scanner runs, you get a desktop notification for each closed session or window."}};
        case PlatformText::aboutDescription:
            return {{"Panou de control nativ pentru tmux pe macOS.", "Native control panel for tmux on macOS."},
                    {"Panou de control nativ pentru tmux pe Linux.", "Native control panel for tmux on Linux."}};
        case PlatformText::shellCommandExample:
            return {{"comandă shell (ex. osascript -e …)", "shell command (e.g. osascript -e …)"},
                    {"comandă shell (ex. notify-send …)", "shell command (e.g. notify-send …)"}};
    }
    return {{"", ""}, {"", ""}};
}

}  // namespace

DesktopPlatform currentPlatform() {
#ifdef __APPLE__
    return DesktopPlatform::macOS;
#else
    return DesktopPlatform::linuxDesktop;
#endif
}

std::string platformText(PlatformText text, DesktopPlatform platform) {
    const Entry e = entry(text);
    const Pair& pair = platform == DesktopPlatform::macOS ? e.macOS : e.linuxDesktop;
    return L(pair.ro, pair.en);
}

std::string platformText(PlatformText text) { return platformText(text, currentPlatform()); }

}  // namespace quillon
