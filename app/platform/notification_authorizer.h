#pragma once
// Asking the desktop for leave to show notifications (alerts and sounds); the answer is not used.

namespace quillon {

class NotificationAuthorizer {
public:
    virtual ~NotificationAuthorizer() = default;
    // Never blocks and never fails; without a notification service it does nothing.
    virtual void requestAuthorization() = 0;
};

}  // namespace quillon
