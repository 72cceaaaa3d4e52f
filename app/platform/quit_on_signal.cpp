#include "app/platform/quit_on_signal.h"

#include <QCoreApplication>
#include <QSocketNotifier>

#include <array>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace quillon {
namespace {

constexpr std::array handled{SIGTERM, SIGINT, SIGHUP};
// The one state a signal handler may touch: the pipe's write end.
int wakeFd = -1;

void onSignal(int signal) {
    const auto byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const auto written = ::write(wakeFd, &byte, 1);
}

}  // namespace

QuitOnSignal::QuitOnSignal(QObject* parent) : QObject(parent) {
    int fds[2];
    if (wakeFd != -1 || ::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) return;
    wakeFd = fds[1];
    notifier_ = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, [this] {
        unsigned char byte = 0;
        while (::read(notifier_->socket(), &byte, 1) == 1) emit quitRequested(byte);
        QCoreApplication::quit();
    });
    struct sigaction action{};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int signal : handled) sigaction(signal, &action, nullptr);
}

QuitOnSignal::~QuitOnSignal() {
    if (!notifier_) return;
    for (int signal : handled) std::signal(signal, SIG_DFL);
    ::close(wakeFd);
    wakeFd = -1;
    ::close(static_cast<int>(notifier_->socket()));
}

}  // namespace quillon

#include "moc_quit_on_signal.cpp"
