#pragma once
// Waiting for what a tmux server does in its own time, without an event loop to run.

#include <chrono>
#include <functional>
#include <thread>

namespace quillon::testing {

// Whether condition holds within about 3 s, asked every 20 ms.
inline bool eventually(const std::function<bool()>& condition) {
    for (int i = 0; i < 150 && !condition(); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return condition();
}

}  // namespace quillon::testing
