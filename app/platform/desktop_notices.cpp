#include "app/platform/desktop_notices.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

#include "app/platform/dbus_notifier.h"

namespace quillon {
namespace {

constexpr int capabilitiesTimeoutMs = 5000;

// What the server would read as markup, written out.
QString escaped(const QString& text) { return text.toHtmlEscaped(); }

}  // namespace

DesktopNotices::DesktopNotices(QDBusConnection connection, QObject* parent)
    : QObject(parent), connection_(std::move(connection)) {
    if (!connection_.isConnected()) return;
    const QString service = QString::fromLatin1(DbusNotifier::service);
    const QString path = QString::fromLatin1(DbusNotifier::path);
    const QString interface = QString::fromLatin1(DbusNotifier::interface);
    connection_.connect(service, path, interface, QStringLiteral("ActionInvoked"), this,
                        SLOT(onActionInvoked(quint32, QString)));
    connection_.connect(service, path, interface, QStringLiteral("NotificationClosed"), this,
                        SLOT(onNotificationClosed(quint32, quint32)));
}

DesktopNotices& DesktopNotices::session() {
    static DesktopNotices* instance = new DesktopNotices(QDBusConnection::sessionBus(), qApp);
    return *instance;
}

void DesktopNotices::askCapabilities() {
    if (asking_ || capabilities_ || !connection_.isConnected()) return;
    asking_ = true;
    QDBusMessage call = QDBusMessage::createMethodCall(DbusNotifier::service, DbusNotifier::path,
                                                       DbusNotifier::interface, QStringLiteral("GetCapabilities"));
    call.setAutoStartService(true);
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call, capabilitiesTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        asking_ = false;
        QDBusPendingReply<QStringList> reply = *finished;
        // A server that does not answer is asked again with the next notice.
        if (reply.isError()) return;
        capabilities_ = reply.value();
        emit capabilitiesKnown();
    });
}

void DesktopNotices::post(const Notice& notice, std::uint64_t tag) {
    if (!connection_.isConnected()) return;
    askCapabilities();
    const bool markup = capabilities_ && capabilities_->contains(QStringLiteral("body-markup"));
    const QString body = QString::fromStdString(notice.body);
    QStringList actions;
    if (offersActions())
        for (const auto& [key, label] : notice.actions) actions << QString::fromStdString(key) << QString::fromStdString(label);
    QDBusMessage call =
        QDBusMessage::createMethodCall(DbusNotifier::service, DbusNotifier::path, DbusNotifier::interface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("sound-name"), QStringLiteral("message-new-instant"));
    call << QStringLiteral("Quillon") << uint(0) << QString() << QString::fromStdString(notice.title)
         << (markup ? escaped(body) : body) << actions << hints << int(-1);
    call.setAutoStartService(true);
    auto* watcher = new QDBusPendingCallWatcher(connection_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, tag](QDBusPendingCallWatcher* finished) {
        finished->deleteLater();
        QDBusPendingReply<uint> reply = *finished;
        if (!reply.isError()) emit posted(tag, reply.value());
    });
}

void DesktopNotices::onActionInvoked(quint32 id, const QString& key) { emit acted(id, key.toStdString()); }

void DesktopNotices::onNotificationClosed(quint32 id, quint32) { emit closed(id); }

}  // namespace quillon

#include "moc_desktop_notices.cpp"
