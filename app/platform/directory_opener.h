#pragma once
// Showing a directory in the desktop's file manager.

#include <string>

namespace quillon {

class DirectoryOpener {
public:
    virtual ~DirectoryOpener() = default;
    // False when the desktop could not open it.
    virtual bool openDirectory(const std::string& path) = 0;
};

}  // namespace quillon
