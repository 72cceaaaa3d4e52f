#pragma once
// Tool calls run beside the reader: a few worker threads take them in order of arrival, so
// a slow call (a host that never answers costs a whole time limit) never keeps the loop from
// reading, answering tools/list or starting other calls. Each job gets a flag that turns
// true when its request is cancelled; the job still runs (so whoever waits for its answer
// hears that there is none) and decides what a cancelled call does. Workers start as calls
// come, up to the limit; finish() waits for every job and stops them.

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quillon::mcp {

class ConcurrentCalls {
public:
    using Job = std::function<void(const std::atomic<bool>& cancelled)>;

    explicit ConcurrentCalls(std::size_t maxWorkers = 4) : maxWorkers_(maxWorkers) {}
    ~ConcurrentCalls() { finish(); }
    ConcurrentCalls(const ConcurrentCalls&) = delete;
    ConcurrentCalls& operator=(const ConcurrentCalls&) = delete;

    // key names the job for cancel(): the request id as JSON text.
    void submit(const std::string& key, Job job);
    void cancel(const std::string& key);
    void cancelAll();
    void finish();

private:
    struct Entry {
        std::string key;
        std::shared_ptr<std::atomic<bool>> cancelled;
        Job job;
    };
    void work();
    void forget(const Entry& entry);

    const std::size_t maxWorkers_;
    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<Entry> queue_;
    std::multimap<std::string, std::shared_ptr<std::atomic<bool>>> live_;  // queued or running
    std::vector<std::thread> workers_;
    std::size_t idle_ = 0;
    bool stopping_ = false;
};

}  // namespace quillon::mcp
