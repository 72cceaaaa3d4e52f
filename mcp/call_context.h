#pragma once
// What a running tool call may know of its request besides the arguments: whether the
// client cancelled it, and where its progress goes when the client asked for progress
// (it sent a progressToken). Calls that end at once ignore both; a call that waits checks
// the flag as it waits and reports where it stands.

#include <atomic>
#include <functional>
#include <string>

namespace quillon::mcp {

struct CallContext {
    const std::atomic<bool>* cancelled = nullptr;
    // progress so far and the total it runs to (both in the call's own unit), and a message.
    std::function<void(double progress, double total, const std::string& message)> progress;

    bool isCancelled() const noexcept { return cancelled && cancelled->load(); }
    bool wantsProgress() const noexcept { return static_cast<bool>(progress); }
};

}  // namespace quillon::mcp
