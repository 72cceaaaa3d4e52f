#include "core/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <ctime>
#include <random>
#include <string>
#include <system_error>

namespace quillon {
namespace {

namespace fs = std::filesystem;

[[noreturn]] void fail(int error, const fs::path& path) {
    throw std::system_error(error, std::generic_category(), path.string());
}

// A name beside path no one else uses: created exclusively, retried on a clash.
int createTemporary(const fs::path& path, mode_t mode, std::string& name) {
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        name = path.string() + ".tmp-" + std::to_string(random() % 1'000'000'000);
        const int fd = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, mode);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// 0, or the errno of the write that failed.
int writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
    return 0;
}

// The replaced file's permissions (the umask narrowed them at creation) and, where the
// process may, its owner and group: a private file stays private, a shared one stays shared.
int keepModeAndOwner(int fd, const struct stat& old) {
    if (::fchmod(fd, old.st_mode & 07777) != 0) return errno;
    if ((old.st_uid != ::geteuid() || old.st_gid != ::getegid()) && ::fchown(fd, old.st_uid, old.st_gid) != 0 &&
        errno != EPERM)
        return errno;
    return 0;
}

}  // namespace

fs::path linkTarget(fs::path path) {
    // A document kept in a dotfiles repository is often a link; replacing the link with a
    // file would cut it off from there.
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code error;
        if (!fs::is_symlink(fs::symlink_status(path, error))) break;
        const fs::path target = fs::read_symlink(path, error);
        if (error) break;
        path = target.is_absolute() ? target : path.parent_path() / target;
    }
    return path;
}

void writeFileAtomically(const fs::path& link, std::string_view bytes, mode_t mode) {
    const fs::path path = linkTarget(link);
    struct stat old {};
    const bool replacing = ::stat(path.c_str(), &old) == 0 && S_ISREG(old.st_mode);
    std::string temp;
    const int fd = createTemporary(path, replacing ? (old.st_mode & 07777) : mode, temp);
    if (fd < 0) fail(errno, path);
    int error = replacing ? keepModeAndOwner(fd, old) : 0;
    if (error == 0) error = writeAll(fd, bytes);
    if (error == 0 && ::fsync(fd) != 0) error = errno;
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), path.c_str()) != 0) error = errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        fail(error, path);
    }
}

std::filesystem::path corruptAsidePath(const std::filesystem::path& path) {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    const std::string base = path.string() + ".corrupt-" + stamp;
    std::filesystem::path candidate = base;
    for (int n = 1; std::filesystem::exists(candidate); ++n) candidate = base + "-" + std::to_string(n);
    return candidate;
}

}  // namespace quillon
