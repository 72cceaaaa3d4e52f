#include "mcp/line_reader.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace quillon::mcp {

bool LineReader::stopped() const {
    if (stopFd_ < 0) return false;
    pollfd both[2] = {{fd_, POLLIN, 0}, {stopFd_, POLLIN, 0}};
    while (::poll(both, 2, -1) < 0)
        if (errno != EINTR) return false;  // the read itself then reports the trouble
    return (both[1].revents & POLLIN) != 0;
}

bool LineReader::fill() {
    if (ended_ || (ended_ = stopped())) return false;
    // Keep the buffer from growing with lines already handed out.
    if (start_ > 0 && start_ * 2 >= buffer_.size()) {
        buffer_.erase(0, start_);
        start_ = 0;
        if (buffer_.empty() && buffer_.capacity() > (std::size_t{4} << 20)) buffer_.shrink_to_fit();
    }
    constexpr std::size_t chunk = 1 << 16;
    const std::size_t used = buffer_.size();
    buffer_.resize(used + chunk);
    ssize_t got;
    do {
        got = ::read(fd_, buffer_.data() + used, chunk);
    } while (got < 0 && errno == EINTR);
    buffer_.resize(used + (got > 0 ? static_cast<std::size_t>(got) : 0));
    if (got <= 0) ended_ = true;
    return got > 0;
}

std::optional<LineReader::Line> LineReader::next() {
    while (true) {
        const std::size_t available = buffer_.size() - start_;
        const void* found = std::memchr(buffer_.data() + start_ + scanned_, '\n', available - scanned_);
        if (found) {
            const std::size_t end = static_cast<const char*>(found) - buffer_.data();
            Line line;
            line.tooLong = skipping_ || end - start_ > maxLineBytes_;
            if (!line.tooLong) line.text.assign(buffer_, start_, end - start_);
            start_ = end + 1;
            scanned_ = 0;
            skipping_ = false;
            return line;
        }
        scanned_ = available;
        if (available > maxLineBytes_) {
            // Drop what we hold of the over-long line and remember to drop the rest of it.
            skipping_ = true;
            buffer_.clear();
            start_ = scanned_ = 0;
        }
        if (!fill()) {
            if (buffer_.size() == start_ && !skipping_) return std::nullopt;
            Line line;
            line.tooLong = skipping_;
            if (!skipping_) line.text.assign(buffer_, start_, std::string::npos);
            buffer_.clear();
            start_ = scanned_ = 0;
            skipping_ = false;
            return line;
        }
    }
}

}  // namespace quillon::mcp
