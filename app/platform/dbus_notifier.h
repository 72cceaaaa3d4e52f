#pragma once
// Desktop notifications on Linux: org.freedesktop.Notifications on the session bus.
// Without a bus, or without a service on it, posting does nothing and reports nothing.
// "Authorisation" is whether a notification service answers.

#include <QDBusConnection>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "app/notifier.h"
#include "app/platform/notification_authorizer.h"

namespace quillon {

class DbusNotifier : public Notifier, public NotificationAuthorizer {
public:
    static constexpr const char* service = "org.freedesktop.Notifications";
    static constexpr const char* path = "/org/freedesktop/Notifications";
    static constexpr const char* interface = "org.freedesktop.Notifications";

    explicit DbusNotifier(QDBusConnection connection);
    // The process's notifier on the session bus.
    static std::shared_ptr<DbusNotifier> session();

    // Notify(…) without waiting for the reply; replaces no earlier notification.
    void post(const std::string& title, const std::string& body) override;
    // Asks the service who it is; the answer is kept in authorized().
    void requestAuthorization() override;
    // The same, handing the answer (on the GUI thread) to the caller.
    void checkAuthorization(std::function<void(bool answered)> answer);
    // Nothing until a check has come back.
    std::optional<bool> authorized() const { return *authorized_; }

private:
    QDBusConnection connection_;
    std::shared_ptr<std::optional<bool>> authorized_ = std::make_shared<std::optional<bool>>();
};

}  // namespace quillon
