#include "app/ui/shell/single_instance.h"

#include <unistd.h>

#include <QLocalServer>
#include <QLocalSocket>

namespace quillon::ui {
namespace {
// One line per request: "show" and, after a space, the place.
const QByteArray showRequest = QByteArrayLiteral("show");
constexpr int answerMilliseconds = 1000;
constexpr qint64 longestRequest = 4096;
}  // namespace

SingleInstance::SingleInstance(QString socketPath, QObject* parent) : QObject(parent), socketPath_(std::move(socketPath)) {}

QString SingleInstance::defaultSocketPath() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && runtime.startsWith(QLatin1Char('/'))) return runtime + QStringLiteral("/quillon.sock");
    return QStringLiteral("/tmp/quillon-%1.sock").arg(::getuid());
}

bool SingleInstance::claim(const QString& place) {
    QLocalSocket probe;
    probe.connectToServer(socketPath_);
    if (probe.waitForConnected(answerMilliseconds)) {
        QByteArray request = showRequest;
        if (!place.isEmpty()) request += ' ' + place.toUtf8().replace('\n', ' ');
        probe.write(request + '\n');
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
                if (!client->canReadLine() && client->bytesAvailable() < longestRequest) return;
                const QByteArray line = client->readLine(longestRequest).trimmed();
                client->disconnectFromServer();
                if (line == showRequest) emit activationRequested({});
                else if (line.startsWith(showRequest + ' ')) emit activationRequested(QString::fromUtf8(line.mid(showRequest.size() + 1)));
            });
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
        }
    });
    return true;
}

}  // namespace quillon::ui
