#pragma once
// Desktop notifications on Linux: org.freedesktop.Notifications on the session bus.
// Without a bus, or without a service on it, posting does nothing and reports nothing.
// "Authorisation" is whether a notification service answers.

#include <QDBusConnection>

#include <functional>
#include <memory>
#include <string>

#include "app/notifier.h"

namespace quillon {

class DbusNotifier : public Notifier {
public:
    static constexpr const char* service = "org.freedesktop.Notifications";
    static constexpr const char* path = "/org/freedesktop/Notifications";
    static constexpr const char* interface = "org.freedesktop.Notifications";

    explicit DbusNotifier(QDBusConnection connection);
    // The process's notifier on the session bus.
    static std::shared_ptr<DbusNotifier> session();

    // Notify(…) without waiting for the reply; replaces no earlier notification.
    void post(const std::string& title, const std::string& body) override;
    // Whether a notification service answers (asking may start one); the answer comes
    // later on the GUI thread, false at once without a bus.
    void checkAuthorization(std::function<void(bool answered)> answer);

private:
    QDBusConnection connection_;
};

}  // namespace quillon
