#pragma once
// Opens directories with the desktop's file manager (QDesktopServices, which asks xdg-open
// on Linux); without a GUI application object it runs xdg-open itself.

#include "app/platform/directory_opener.h"

namespace quillon {

class DesktopDirectoryOpener : public DirectoryOpener {
public:
    bool openDirectory(const std::string& path) override;
};

}  // namespace quillon
