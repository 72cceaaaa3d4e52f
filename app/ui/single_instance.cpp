#include "app/ui/single_instance.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>

namespace quillon::ui {
namespace {
const QByteArray showRequest = QByteArrayLiteral("show\n");
constexpr int answerMilliseconds = 1000;
}  // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent) : QObject(parent), socketPath_(std::move(socketPath)) {}

QString SingleInstance::defaultSocketPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtime.startsWith(QLatin1Char('/'))) return runtime + QStringLiteral("/quillon.sock");
    return QStringLiteral("/tmp/quillon-%1.sock").arg(::getuid());
}

bool SingleInstance::claim() {
    QLocalSocket probe;
    probe.connectToServer(socketPath_);
    if (probe.waitForConnected(answerMilliseconds)) {
        probe.write(showRequest);
        probe.waitForBytesWritten(answerMilliseconds);
        probe.disconnectFromServer();
        return false;
    }
    // Nobody answered: a socket file left by a crashed instance must not block us.
    QLocalServer::removeServer(socketPath_);
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath_)) qWarning("single-instance socket %s: %s", qPrintable(socketPath_), qPrintable(server_->errorString()));
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (client->readAll().contains(showRequest.trimmed())) emit activationRequested();
                client->disconnectFromServer();
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    return true;
}

}  // namespace quillon::ui
