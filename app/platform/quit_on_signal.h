#pragma once
// SIGTERM, SIGINT and SIGHUP end the event loop as the Quit action does, so a logout, a
// Ctrl+C in the starting terminal or a service manager stops Quillon with its children ended,
// its state written and its destructors run. The handler only writes a byte to a pipe that the
// GUI thread reads.

#include <QObject>

class QSocketNotifier;

namespace quillon {

class QuitOnSignal : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one instance per process, alive while the loop runs.
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

signals:
    void quitRequested(int signal);

private:
    QSocketNotifier* notifier_ = nullptr;
};

}  // namespace quillon
