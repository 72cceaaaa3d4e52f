#pragma once
// Desktop notifications that can be acted on: org.freedesktop.Notifications on a D-Bus
// connection, with actions where the notification server offers them. The server's
// capabilities are asked once, the first time they are needed, and kept; until the answer
// comes (or without one) a notice goes out without actions. A click on a notice or on one of
// its actions comes back as acted(id, key); "default" is the click on the notice itself.
//
// Lives on the GUI thread; never waits for the bus.

#include <QObject>
#include <QDBusConnection>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillon {

class DesktopNotices : public QObject {
    Q_OBJECT
public:
    // An action: its key and its label. The key "default" is the click on the notice.
    using Action = std::pair<std::string, std::string>;
    struct Notice {
        std::string title;
        std::string body;  // plain text: escaped here where the server reads markup
        std::vector<Action> actions;  // dropped where the server offers none
    };

    explicit DesktopNotices(QDBusConnection connection, QObject* parent = nullptr);
    // The process's notices on the session bus; needs a QCoreApplication.
    static DesktopNotices& session();

    // Posts the notice; posted(id) follows once the server has numbered it (nothing without
    // a server). The tag comes back with it, to tell which notice got which id.
    void post(const Notice& notice, std::uint64_t tag);
    // The server's capabilities, once they are known.
    const std::optional<QStringList>& capabilities() const noexcept { return capabilities_; }
    bool offersActions() const { return capabilities_ && capabilities_->contains(QStringLiteral("actions")); }
    // Asks the server for its capabilities (once; later calls do nothing).
    void askCapabilities();

signals:
    void posted(std::uint64_t tag, quint32 id);
    void acted(quint32 id, const std::string& key);
    void closed(quint32 id);
    void capabilitiesKnown();

private slots:
    void onActionInvoked(quint32 id, const QString& key);
    void onNotificationClosed(quint32 id, quint32 reason);

private:
    QDBusConnection connection_;
    std::optional<QStringList> capabilities_;
    bool asking_ = false;
};

}  // namespace quillon
