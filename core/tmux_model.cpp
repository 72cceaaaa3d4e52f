#include "core/tmux_model.h"

#include <cmath>

namespace quillon {

TimePoint fromEpochSeconds(double seconds) {
    // Outside text (tmux's fields, a snapshot file) can hold any number: NaN reads as the
    // epoch and what lies past the clock's range as its ends, never as a wrapped instant.
    using Seconds = std::chrono::duration<double>;
    if (std::isnan(seconds)) return TimePoint{};
    const double most = std::chrono::duration_cast<Seconds>(Clock::duration::max()).count();
    if (seconds >= most) return TimePoint::max();
    if (seconds <= -most) return TimePoint::min();
    return TimePoint(std::chrono::duration_cast<Clock::duration>(Seconds(seconds)));
}

double toEpochSeconds(TimePoint instant) {
    return std::chrono::duration<double>(instant.time_since_epoch()).count();
}

std::int64_t TmuxSession::paneCount() const noexcept {
    std::int64_t count = 0;
    for (const auto& window : windows) count += static_cast<std::int64_t>(window.panes.size());
    return count;
}

std::int64_t totalWindows(const std::vector<TmuxSession>& sessions) {
    std::int64_t count = 0;
    for (const auto& session : sessions) count += session.windowCount;
    return count;
}

std::int64_t totalPanes(const std::vector<TmuxSession>& sessions) {
    std::int64_t count = 0;
    for (const auto& session : sessions) count += session.paneCount();
    return count;
}

bool TmuxSession::isIdle(std::chrono::duration<double> olderThan, TimePoint now) const noexcept {
    if (isAttached) return false;
    return std::chrono::duration<double>(now - idleReference()) > olderThan;
}

namespace {

// Fields fed in declaration order, as a boost-style combine.
struct Hasher {
    std::size_t seed = 0;
    template <class T> Hasher& add(const T& value) {
        seed ^= std::hash<T>{}(value) + 0x9e3779b97f4a7c15ULL + (seed << 6) + (seed >> 2);
        return *this;
    }
    Hasher& add(TimePoint instant) { return add(instant.time_since_epoch().count()); }
    template <class T> Hasher& addAll(const std::vector<T>& items) {
        add(items.size());
        for (const auto& item : items) add(item);
        return *this;
    }
};

}  // namespace
}  // namespace quillon

std::size_t std::hash<quillon::TmuxPane>::operator()(const quillon::TmuxPane& p) const noexcept {
    return quillon::Hasher{}.add(p.index).add(p.isActive).add(p.command).add(p.pid).add(p.width).add(p.height)
        .add(p.path).add(p.target).add(p.paneID).seed;
}

std::size_t std::hash<quillon::TmuxWindow>::operator()(const quillon::TmuxWindow& w) const noexcept {
    return quillon::Hasher{}.add(w.index).add(w.name).add(w.isActive).add(w.paneCount).addAll(w.panes)
        .add(w.layout).add(w.target).add(w.windowID).add(w.isZoomed).seed;
}

std::size_t std::hash<quillon::TmuxSession>::operator()(const quillon::TmuxSession& s) const noexcept {
    quillon::Hasher h;
    h.add(s.name).add(s.sessionID).add(s.created).add(s.isAttached).add(s.windowCount);
    h.add(s.lastAttached.has_value());
    if (s.lastAttached) h.add(*s.lastAttached);
    return h.add(s.path).addAll(s.windows).seed;
}
