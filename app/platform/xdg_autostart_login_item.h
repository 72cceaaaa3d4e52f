#pragma once
// The login item on Linux: an XDG autostart entry, $XDG_CONFIG_HOME/autostart/<app id>.desktop.

#include <filesystem>
#include <string>

#include "app/platform/login_item.h"
#include "core/l10n.h"

namespace quillon {

class XdgAutostartLoginItem : public LoginItem {
public:
    XdgAutostartLoginItem(std::filesystem::path autostartDirectory, std::string executablePath);
    // $XDG_CONFIG_HOME/autostart, else ~/.config/autostart.
    static std::filesystem::path defaultDirectory(const Environment& environment);

    const std::filesystem::path& entryPath() const noexcept { return entryPath_; }
    // Present and not hidden.
    bool isEnabled() const override;
    void setEnabled(bool enabled) override;

    // The entry's text; the executable is quoted as desktop entries require.
    static std::string entryText(const std::string& executablePath);

private:
    std::filesystem::path entryPath_;
    std::string executablePath_;
};

}  // namespace quillon
