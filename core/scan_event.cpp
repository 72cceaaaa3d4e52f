#include "core/scan_event.h"

#include <cstdint>
#include <random>

namespace quillon {

namespace {

std::mt19937_64& generator() {
    // One engine per thread: no lock, and events are built on the GUI thread and in jobs.
    thread_local std::mt19937_64 engine = [] {
        std::random_device device;
        std::seed_seq seed{device(), device(), device(), device(), device(), device(), device(), device()};
        return std::mt19937_64(seed);
    }();
    return engine;
}

}  // namespace

std::string makeUuid() {
    std::uint64_t high = generator()();
    std::uint64_t low = generator()();
    high = (high & ~std::uint64_t{0xF000}) | std::uint64_t{0x4000};  // version 4
    low = (low & ~(std::uint64_t{0xC} << 60)) | (std::uint64_t{0x8} << 60);  // RFC 4122 variant

    static constexpr char digits[] = "0123456789abcdef";
    std::string text;
    text.reserve(36);
    auto put = [&](std::uint64_t value, int fromNibble, int toNibble) {
        for (int n = fromNibble; n >= toNibble; --n) text.push_back(digits[(value >> (4 * n)) & 0xF]);
    };
    put(high, 15, 8);
    text.push_back('-');
    put(high, 7, 4);
    text.push_back('-');
    put(high, 3, 0);
    text.push_back('-');
    put(low, 15, 12);
    text.push_back('-');
    put(low, 11, 0);
    return text;
}

ScanEvent ScanEvent::make(Kind kind, std::string message, std::optional<std::string> session,
                          std::optional<std::string> target) {
    return ScanEvent{makeUuid(), Clock::now(), kind, std::move(message), std::move(session), std::move(target)};
}

}  // namespace quillon
