#include "mcp/concurrent_calls.h"

namespace quillon::mcp {

void ConcurrentCalls::submit(const std::string& key, Job job) {
    const std::lock_guard lock(mutex_);
    auto flag = std::make_shared<std::atomic<bool>>(false);
    live_.emplace(key, flag);
    queue_.push_back({key, std::move(flag), std::move(job)});
    if (idle_ == 0 && workers_.size() < maxWorkers_) workers_.emplace_back([this] { work(); });
    else ready_.notify_one();
}

void ConcurrentCalls::cancel(const std::string& key) {
    const std::lock_guard lock(mutex_);
    const auto [first, last] = live_.equal_range(key);
    for (auto it = first; it != last; ++it) *it->second = true;
}

void ConcurrentCalls::cancelAll() {
    const std::lock_guard lock(mutex_);
    for (auto& [key, flag] : live_) *flag = true;
}

void ConcurrentCalls::finish() {
    {
        const std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& worker : workers_) worker.join();
    workers_.clear();
}

void ConcurrentCalls::forget(const Entry& entry) {
    const std::lock_guard lock(mutex_);
    const auto [first, last] = live_.equal_range(entry.key);
    for (auto it = first; it != last; ++it)
        if (it->second == entry.cancelled) {
            live_.erase(it);
            return;
        }
}

void ConcurrentCalls::work() {
    while (true) {
        Entry entry;
        {
            std::unique_lock lock(mutex_);
            ++idle_;
            ready_.wait(lock, [&] { return !queue_.empty() || stopping_; });
            --idle_;
            if (queue_.empty()) return;  // stopping, nothing left
            entry = std::move(queue_.front());
            queue_.pop_front();
        }
        entry.job(*entry.cancelled);
        forget(entry);
    }
}

}  // namespace quillon::mcp
