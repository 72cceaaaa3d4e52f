#pragma once
// Lines from a file descriptor, read in large chunks. A final line without a line feed
// still counts. A line longer than the limit is skipped whole and reported as too long,
// so a client cannot make us hold an unbounded line in memory. Input also ends when the
// optional stop descriptor turns readable, even while the input stays silent.

#include <cstddef>
#include <optional>
#include <string>

namespace quillon::mcp {

class LineReader {
public:
    struct Line {
        std::string text;  // without the line feed
        bool tooLong = false;  // text is empty then
    };

    LineReader(int fd, std::size_t maxLineBytes, int stopFd = -1)
        : fd_(fd), stopFd_(stopFd), maxLineBytes_(maxLineBytes) {}

    // Nothing at end of input (or a read error, which ends input the same way).
    std::optional<Line> next();

private:
    bool fill();  // false at end of input
    bool stopped() const;  // waits for input or the stop descriptor

    int fd_;
    int stopFd_;
    std::size_t maxLineBytes_;
    std::string buffer_;
    std::size_t start_ = 0;    // first byte of the current line in buffer_
    std::size_t scanned_ = 0;  // bytes from start_ already known to hold no line feed
    bool skipping_ = false;    // inside an over-long line, dropping bytes until its end
    bool ended_ = false;
};

}  // namespace quillon::mcp
