#pragma once
// Standard output, shared by the reader and the tool calls running beside it: one message
// per line, each written whole while no other writer may start. A write that fails (the
// client closed our output) closes the channel for good and makes closedSignal() readable,
// so a reader waiting for input learns at once that nobody listens any more.

#include <nlohmann/json.hpp>

#include <atomic>
#include <mutex>
#include <string_view>

#include "core/process_runner.h"

namespace quillon::mcp {

// Writes everything unless the descriptor fails; retries interrupted and partial writes.
bool writeAll(int fd, std::string_view bytes);

class OutputChannel {
public:
    explicit OutputChannel(int fd) : fd_(fd), signal_(Pipe::create()) {}
    OutputChannel(const OutputChannel&) = delete;
    OutputChannel& operator=(const OutputChannel&) = delete;

    // Serialises the message and writes it as one line; false once the output is closed.
    // A message that cannot be serialised is dropped (true: the output is still open).
    bool send(const nlohmann::json& message);
    bool closed() const noexcept { return closed_; }
    int closedSignal() const noexcept { return signal_.read.get(); }

private:
    int fd_;
    Pipe signal_;
    std::mutex writing_;
    std::atomic<bool> closed_{false};
};

}  // namespace quillon::mcp
