#include "app/ui/shell/single_instance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

#include <cerrno>
#include <cstring>

namespace quillon::ui {
namespace {
// One line per request: "show" and, after a space, the place.
const QByteArray showRequest = QByteArrayLiteral("show");
constexpr int answerMilliseconds = 1000;
constexpr int connectAttempts = 5;  // the first instance may hold the lock and not listen yet
constexpr qint64 longestRequest = 4096;

// A real directory (not a link) of this user that no one else may enter or list.
bool isPrivateDirectory(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() &&
           (st.st_mode & 077) == 0;
}

bool samePeer(const QLocalSocket& socket) {
    const auto uid = peerUserId(int(socket.socketDescriptor()));
    return uid && *uid == ::geteuid();
}

}  // namespace

std::optional<unsigned> peerUserId(int socketDescriptor) {
    struct ucred credentials {};
    socklen_t size = sizeof credentials;
    if (socketDescriptor < 0 || ::getsockopt(socketDescriptor, SOL_SOCKET, SO_PEERCRED, &credentials, &size) != 0)
        return std::nullopt;
    return credentials.uid;
}

SingleInstance::SingleInstance(QString directory, QObject* parent) : QObject(parent), directory_(std::move(directory)) {}

SingleInstance::~SingleInstance() {
    // The socket file goes with the instance; the lock goes with its descriptor.
    if (server_) server_->close();
}

QString SingleInstance::privateDirectory() {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (runtime.startsWith(QLatin1Char('/')) && isPrivateDirectory(runtime)) return runtime;
    QString base = qEnvironmentVariable("TMPDIR");
    if (!base.startsWith(QLatin1Char('/'))) base = QStringLiteral("/tmp");
    const QString own = base + QStringLiteral("/quillon-%1").arg(::geteuid());
    // Made private from the start; one made by someone else fails the check below.
    ::mkdir(QFile::encodeName(own).constData(), 0700);
    return isPrivateDirectory(own) ? own : QString();
}

QString SingleInstance::socketPath() const { return directory_ + QStringLiteral("/quillon.sock"); }
QString SingleInstance::lockPath() const { return directory_ + QStringLiteral("/quillon.lock"); }

SingleInstance::Claim SingleInstance::claim(const QString& place) {
    if (directory_.isEmpty()) {
        qWarning("quillon: no directory only this user can enter (XDG_RUNTIME_DIR, /tmp/quillon-%u); "
                 "a second Quillon will not be stopped",
                 unsigned(::geteuid()));
        return Claim::first;
    }
    lock_.reset(::open(QFile::encodeName(lockPath()).constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!lock_) {
        qWarning("quillon: cannot open the instance lock %s: %s; a second Quillon will not be stopped",
                 qPrintable(lockPath()), std::strerror(errno));
        return Claim::first;
    }
    if (::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0) {
        lock_.reset();
        return handOver(place);
    }
    listen();
    return Claim::first;
}

SingleInstance::Claim SingleInstance::handOver(const QString& place) const {
    for (int attempt = 0; attempt < connectAttempts; ++attempt) {
        if (attempt > 0) QThread::msleep(answerMilliseconds / connectAttempts);
        QLocalSocket probe;
        probe.connectToServer(socketPath());
        if (!probe.waitForConnected(answerMilliseconds)) continue;
        if (!samePeer(probe)) {
            qWarning("quillon: %s is served by another user; nothing was sent to it", qPrintable(socketPath()));
            return Claim::unreachable;
        }
        QByteArray request = showRequest;
        if (!place.isEmpty()) request += ' ' + place.toUtf8().replace('\n', ' ');
        probe.write(request + '\n');
        const bool sent = probe.waitForBytesWritten(answerMilliseconds);
        probe.disconnectFromServer();
        if (sent) return Claim::handedOver;
    }
    qWarning("quillon: Quillon already runs (it holds %s) but does not answer on %s; not starting a second one",
             qPrintable(lockPath()), qPrintable(socketPath()));
    return Claim::unreachable;
}

void SingleInstance::listen() {
    // We hold the lock: a socket file left by a crashed instance is stale.
    QLocalServer::removeServer(socketPath());
    server_ = new QLocalServer(this);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    if (!server_->listen(socketPath())) {
        qWarning("quillon: the instance socket %s cannot be made (%s); the lock %s still keeps this the only Quillon, "
                 "but a second start cannot hand it a place",
                 qPrintable(socketPath()), qPrintable(server_->errorString()), qPrintable(lockPath()));
        return;
    }
    connect(server_, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* client = server_->nextPendingConnection()) {
            connect(client, &QLocalSocket::disconnected, client, &QObject::deleteLater);
            if (!samePeer(*client)) {
                client->abort();
                client->deleteLater();
                continue;
            }
            connect(client, &QLocalSocket::readyRead, this, [this, client] {
                if (!client->canReadLine() && client->bytesAvailable() < longestRequest) return;
                const QByteArray line = client->readLine(longestRequest).trimmed();
                client->disconnectFromServer();
                if (line == showRequest) emit activationRequested({});
                else if (line.startsWith(showRequest + ' ')) emit activationRequested(QString::fromUtf8(line.mid(showRequest.size() + 1)));
            });
        }
    });
}

}  // namespace quillon::ui

#include "moc_single_instance.cpp"
