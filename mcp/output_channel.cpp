#include "mcp/output_channel.h"

#include <unistd.h>

#include <cerrno>

#include "mcp/json_line.h"

namespace quillon::mcp {

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool OutputChannel::send(const nlohmann::json& message) {
    auto line = serializeJsonLine(message);
    if (!line) return !closed_;
    *line += '\n';
    const std::lock_guard lock(writing_);
    if (closed_) return false;
    if (writeAll(fd_, *line)) return true;
    closed_ = true;
    writeAll(signal_.write.get(), "x");
    return false;
}

}  // namespace quillon::mcp
