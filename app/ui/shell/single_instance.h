#pragma once
// One Quillon per user. The first start takes a lock file (flock) in a directory only the
// user can enter and listens on a local socket beside it; a later start finds the lock taken,
// hands its place to the first through the socket and leaves, so there is one refresh loop,
// one scanner and one writer of the templates and rules. The lock holds even where the socket
// cannot be made (a runtime path too long for a socket name): the later start then says so
// and leaves anyway. Either side talks only to a peer running as the same user.

#include <QObject>
#include <QString>

#include <optional>

#include "core/process_runner.h"

class QLocalServer;

namespace quillon::ui {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Claim {
        first,        // this process holds the lock (and listens where it could)
        handedOver,   // a running instance took the place
        unreachable,  // a running instance holds the lock but could not be asked
    };

    // directory: where the lock and the socket live; it must be the user's alone.
    explicit SingleInstance(QString directory = privateDirectory(), QObject* parent = nullptr);
    ~SingleInstance() override;

    // $XDG_RUNTIME_DIR when only the user can enter it, else <TMPDIR or /tmp>/quillon-<uid>,
    // made with mode 0700 when missing; the directory must be a real directory (no link) owned by
    // the user with no access for group or others. Empty when neither is.
    static QString privateDirectory();
    QString socketPath() const;
    QString lockPath() const;

    // See Claim. The place goes to the running instance (see QuillonApp::show). Problems
    // (no private directory, no socket, an unreachable instance) are said on stderr.
    Claim claim(const QString& place = {});

signals:
    // A later start asked this instance to come forward, at a place when it named one.
    void activationRequested(const QString& place);

private:
    Claim handOver(const QString& place) const;
    void listen();

    QString directory_;
    UniqueFd lock_;  // held (flock) while this process is the one
    QLocalServer* server_ = nullptr;
};

// The user id of the process at the other end of a connected local socket, if known.
std::optional<unsigned> peerUserId(int socketDescriptor);

}  // namespace quillon::ui
