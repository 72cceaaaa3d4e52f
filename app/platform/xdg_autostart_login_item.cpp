#include "app/platform/xdg_autostart_login_item.h"

#include <cerrno>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <system_error>

#include "core/atomic_file.h"
#include "core/defaults_store.h"
#include "core/text.h"

namespace quillon {
namespace fs = std::filesystem;
namespace {

// Desktop entry Exec quoting: double quotes around an argument with reserved characters,
// with ", `, $ and \ escaped by a backslash.
std::string quoteExecArgument(const std::string& argument) {
    const bool plain = argument.find_first_of(" \t\n\"'\\><~|&;$*?#()`") == std::string::npos && !argument.empty();
    if (plain) return argument;
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"' || c == '`' || c == '$' || c == '\\') out += '\\';
        out += c;
    }
    out += '"';
    // The file format itself unescapes backslashes once more.
    std::string escaped;
    for (char c : out) {
        if (c == '\\') escaped += "\\\\";
        else escaped += c;
    }
    return escaped;
}

[[noreturn]] void fail(const std::error_code& error, const fs::path& path) {
    throw std::runtime_error(path.string() + ": " + error.message());
}

}  // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem(fs::path autostartDirectory, std::string executablePath)
    : entryPath_(std::move(autostartDirectory) / (std::string(L10n::appBundleIdentifier) + ".desktop")),
      executablePath_(std::move(executablePath)) {}

fs::path XdgAutostartLoginItem::defaultDirectory(const Environment& environment) {
    // Same base directory as the defaults document: <config>/quillon/<domain>.json.
    return DefaultsStore::documentPath(L10n::appBundleIdentifier, environment).parent_path().parent_path() /
           "autostart";
}

std::string XdgAutostartLoginItem::entryText(const std::string& executablePath) {
    return "[Desktop Entry]\n"
           "Type=Application\n"
           "Name=Quillon\n"
           "Comment=Control panel for tmux servers\n"
           "Exec=" +
           quoteExecArgument(executablePath) +
           "\n"
           "Terminal=false\n"
           "X-GNOME-Autostart-enabled=true\n";
}

bool XdgAutostartLoginItem::isEnabled() const {
    std::ifstream file(entryPath_);
    if (!file) return false;
    std::string line;
    while (std::getline(file, line)) {
        const std::string_view trimmed = text::trim(line);
        if (trimmed == "Hidden=true" || trimmed == "X-GNOME-Autostart-enabled=false") return false;
    }
    return true;
}

void XdgAutostartLoginItem::setEnabled(bool enabled) {
    std::error_code error;
    if (!enabled) {
        fs::remove(entryPath_, error);
        if (error) fail(error, entryPath_);
        return;
    }
    fs::create_directories(entryPath_.parent_path(), error);
    if (error) fail(error, entryPath_.parent_path());
    // A session manager never reads half an entry.
    try {
        writeFileAtomically(entryPath_, entryText(executablePath_), 0644);
    } catch (const std::system_error& failure) {
        fail(failure.code(), entryPath_);
    }
}

}  // namespace quillon
