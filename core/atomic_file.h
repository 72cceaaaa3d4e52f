#pragma once
// Replacing a file's contents so that a reader, or a crash, sees the old file or the new one,
// never half of either.

#include <sys/types.h>

#include <filesystem>
#include <string_view>

namespace quillon {

// What path names in the end, following symbolic links; a dangling link names the file it
// would create.
std::filesystem::path linkTarget(std::filesystem::path path);

// Writes bytes to a new file beside the link target of path, flushes it to disk and renames it
// over that target, so a link stays a link. A replaced file keeps its mode and, where the
// process may change it, its owner and group; a new file gets mode (less the umask). Throws
// std::system_error naming the path on failure; the file is then as it was and no temporary
// file is left.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode = 0666);

// Where a file that does not parse is set aside, never to be overwritten:
// "<path>.corrupt-<local time>", with "-1", "-2"… when that name is taken.
std::filesystem::path corruptAsidePath(const std::filesystem::path& path);

}  // namespace quillon
