#pragma once
// The one place that posts desktop notifications: the scanner for closed sessions and
// windows, the rules for their notify action. Posting never waits and never fails.

#include <string>

namespace quillon {

class Notifier {
public:
    virtual ~Notifier() = default;
    // One new notification per call (two identical posts show twice); an empty body is fine.
    virtual void post(const std::string& title, const std::string& body) = 0;

    // The desktop's notification service for this process (freedesktop over D-Bus;
    // does nothing without a session bus).
    static Notifier& system();
};

}  // namespace quillon
