#pragma once
// One Quillon per user: the first start listens on a local socket; a later start finds it,
// asks it to show its window, and leaves without starting a second refresh loop or scanner.

#include <QObject>
#include <QString>

class QLocalServer;

namespace quillon::ui {

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(QString socketPath = defaultSocketPath(), QObject* parent = nullptr);
    // $XDG_RUNTIME_DIR/quillon.sock, else /tmp/quillon-<uid>.sock.
    static QString defaultSocketPath();

    // True when this process is the first and now listens; false when a running instance
    // answered and was asked to show itself, or the given place (see QuillonApp::show).
    bool claim(const QString& place = {});

signals:
    // A later start asked this instance to come forward, at a place when it named one.
    void activationRequested(const QString& place);

private:
    QString socketPath_;
    QLocalServer* server_ = nullptr;
};

}  // namespace quillon::ui
