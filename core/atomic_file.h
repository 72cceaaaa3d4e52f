#pragma once
// Replacing a file's contents so that a reader, or a crash, sees the old file or the new one,
// never half of either.

#include <sys/types.h>

#include <filesystem>
#include <string_view>

namespace quillon {

// Writes bytes to a new file beside path, flushes it to disk and renames it over path. A new
// file gets mode (less the umask). Throws std::system_error naming the path on failure; path
// is then as it was and no temporary file is left.
void writeFileAtomically(const std::filesystem::path& path, std::string_view bytes, mode_t mode = 0666);

}  // namespace quillon
