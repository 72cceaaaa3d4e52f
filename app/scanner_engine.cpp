#include "app/scanner_engine.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThreadPool>

#include <algorithm>
#include <exception>
#include <utility>

#include "app/app_environment.h"
#include "app/notifier.h"
#include "app/rule_store.h"
#include "core/l10n.h"
#include "core/scanner_diff.h"
#include "core/tmux_error.h"

namespace quillon {

namespace {

using Kind = ScanEvent::Kind;

constexpr const char* windowLabelFormat = "#{session_name}:#{window_index} #{window_name}";

struct SnapshotResult {
    ServerIdentity server;
    std::optional<std::vector<TmuxSession>> sessions;
    std::string error;
};

// Runs on the GUI thread later, unless the engine is gone by then.
template <class Call>
void post(QPointer<ScannerEngine> engine, Call call) {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [engine, call = std::move(call)]() mutable {
            if (engine) call(*engine);
        },
        Qt::QueuedConnection);
}

}  // namespace

ScannerEngine::ScannerEngine(AppEnvironment& environment, RuleStore& rules, Notifier& notifier, QObject* parent)
    : QObject(parent), environment_(environment), rules_(rules), notifier_(notifier) {
    connect(&environment_, &AppEnvironment::serverChanged, this, &ScannerEngine::followNewServer);
    connect(&environment_, &AppEnvironment::watchingChanged, this, &ScannerEngine::watchingChanged);
    connect(&environment_, &AppEnvironment::watcherNotified, this, [this](const std::string& line) {
        if (sharing_) handleNotification(controlGeneration_, line);
    });
}

ScannerEngine::~ScannerEngine() { dropControl(); }

template <class Work, class Then>
void ScannerEngine::inBackground(Work work, Then then) {
    QPointer<ScannerEngine> self(this);
    QThreadPool::globalInstance()->start([self, work = std::move(work), then = std::move(then)]() mutable {
        auto result = work();
        post(self, [then = std::move(then), result = std::move(result)](ScannerEngine&) mutable {
            then(std::move(result));
        });
    });
}

void ScannerEngine::clearEvents() {
    events_.clear();
    emit eventsChanged();
}

bool ScannerEngine::controlModeSelected() const { return environment_.scannerMode() == ScannerMode::controlMode; }

std::optional<std::chrono::milliseconds> ScannerEngine::timerInterval() const {
    if (!timer_) return std::nullopt;
    return std::chrono::milliseconds(timer_->interval());
}

std::optional<pid_t> ScannerEngine::controlPid() const { return control_ ? control_->pid() : std::nullopt; }

void ScannerEngine::start() {
    if (running_) return;
    running_ = true;
    newRun();
    emit runningChanged();

    const std::string mode = label(environment_.scannerMode());
    if (environment_.sessionsKnown()) {
        previous_ = Baseline{environment_.serverIdentity(), environment_.sessions()};
        const std::string count = std::to_string(previous_->sessions.size());
        append(Kind::info, L("Scanner pornit — " + mode + ", bază: " + count + " sesiuni.",
                             "Scanner started — " + mode + ", baseline: " + count + " sessions."));
        if (controlModeSelected()) startControl(environment_.sessions());
    } else {
        // Just after a switch of server: its first snapshot becomes the baseline.
        previous_.reset();
        awaitingServer_ = true;
        append(Kind::info, L("Scanner pornit — " + mode + ", bază: primul instantaneu al serverului.",
                             "Scanner started — " + mode + ", baseline: the server's first snapshot."));
        timerTick();
    }
    schedule();
}

void ScannerEngine::stop() {
    if (!running_) return;
    delete timer_;
    timer_ = nullptr;
    dropControl();
    running_ = false;
    newRun();  // late results of this run are dropped
    emit runningChanged();
    append(Kind::info, L("Scanner oprit.", "Scanner stopped."));
}

void ScannerEngine::newRun() {
    ++runGeneration_;
    ticking_ = false;  // a snapshot of the last run may still be out; it no longer counts
    pushArrived_ = false;
    awaitingServer_ = false;
}

void ScannerEngine::dropControl() {
    ++controlGeneration_;  // its exit report is not a disconnection
    control_.reset();
    sharing_ = false;
}

// One control client per server: the scanner uses the watcher's while it watches, and its own
// only while it does not.
void ScannerEngine::watchingChanged() {
    if (!running_ || !controlModeSelected() || awaitingServer_) return;
    if (sharing_ == environment_.watching()) return;
    dropControl();
    if (!environment_.sessions().empty()) startControl(environment_.sessions());
}

void ScannerEngine::followNewServer() {
    if (!running_) return;
    // Another server: nothing it shows is a change of the old one. Its first snapshot is the
    // new baseline, and control mode attaches to a session that snapshot lists.
    newRun();
    dropControl();
    previous_.reset();
    awaitingServer_ = true;
    timerTick();
}

void ScannerEngine::schedule() {
    delete timer_;
    timer_ = nullptr;
    if (!running_) return;
    timer_ = new QTimer(this);
    timer_->setInterval(environment_.settings().scannerPeriod());
    connect(timer_, &QTimer::timeout, this, &ScannerEngine::timerTick);
    timer_->start();
}

void ScannerEngine::timerTick() {
    if (!running_) return;
    if (!controlModeSelected()) {
        fullDiffTick();
        return;
    }
    // Until the new server's first snapshot, the environment may still list the old one's sessions.
    if (!control_ && !sharing_ && !awaitingServer_ && !environment_.sessions().empty())
        startControl(environment_.sessions());
    sessionTick();
}

void ScannerEngine::sessionTick() { snapshotTick(ScannerDiff::sessionLevelDiff); }

void ScannerEngine::fullDiffTick() { snapshotTick(ScannerDiff::diff); }

void ScannerEngine::snapshotTick(Differ differ) {
    const auto& client = environment_.client();
    if (!client || ticking_) return;
    ticking_ = true;
    const std::uint64_t generation = runGeneration_;
    inBackground(
        [client = *client] {
            SnapshotResult result;
            result.server = ServerIdentity::of(client);
            try {
                result.sessions = client.snapshot();
            } catch (const std::exception& error) {
                result.error = describe(error);
            }
            return result;
        },
        [this, generation, differ = std::move(differ)](SnapshotResult result) {
            if (generation != runGeneration_) return;
            ticking_ = false;
            if (!result.sessions) {
                append(Kind::error, result.error);
                return;
            }
            // Only sessions of one server are compared: a baseline of another is no baseline.
            if (previous_ && previous_->server == result.server)
                for (ScanEvent& event : differ(previous_->sessions, *result.sessions)) append(std::move(event));
            previous_ = Baseline{std::move(result.server), std::move(*result.sessions)};
            if (std::exchange(awaitingServer_, false) && controlModeSelected() && !previous_->sessions.empty())
                startControl(previous_->sessions);
            if (std::exchange(pushArrived_, false) && running_ && controlModeSelected()) sessionTick();
        });
}

void ScannerEngine::startControl(const std::vector<TmuxSession>& sessions) {
    if (control_ || sharing_) return;
    if (environment_.watching()) {
        sharing_ = true;
        ++controlGeneration_;
        append(Kind::info, L("Control mode folosește clientul de urmărire al aplicației — evenimente push active.",
                             "Control mode uses the app's live watcher — push events active."));
        return;
    }
    const auto& client = environment_.client();
    if (!client || sessions.empty()) {
        append(Kind::info, L("Control mode: niciun server activ — fallback la interval până apare o sesiune.",
                             "Control mode: no server running — falling back to polling until a session appears."));
        return;
    }
    const std::string session = sessions.front().name;
    // Attached by id: a name like "$0" or "=x" would reach another session.
    const std::string address = sessions.front().sessionID.empty() ? session : sessions.front().sessionID;
    const std::uint64_t generation = ++controlGeneration_;
    QPointer<ScannerEngine> self(this);
    auto control = std::make_unique<TmuxControlMode>();
    try {
        control->start(
            *client, address,
            [self, generation](const std::string& line) {
                post(self, [generation, line](ScannerEngine& engine) { engine.handleNotification(generation, line); });
            },
            [self, generation] {
                post(self, [generation](ScannerEngine& engine) { engine.handleControlExit(generation); });
            });
    } catch (const std::exception& error) {
        append(Kind::error, L("Control mode a eșuat: ", "Control mode failed: ") + describe(error));
        return;
    }
    control_ = std::move(control);
    append(Kind::info, L("Control mode atașat la „" + session + "” — evenimente push active.",
                         "Control mode attached to “" + session + "” — push events active."));
}

void ScannerEngine::handleNotification(std::uint64_t generation, const std::string& line) {
    if (!running_ || generation != controlGeneration_) return;
    const auto notification = ControlModeParser::parse(line);
    if (!notification) return;
    using Push = ControlNotification::Kind;
    const std::string& id = notification->id;
    const std::string& name = notification->name;
    switch (notification->kind) {
        case Push::sessionRenamed:
            append(Kind::sessionRenamed, L("Sesiune redenumită: " + name, "Session renamed: " + name));
            break;
        case Push::windowAdd:
            resolveWindowAdd(id);
            break;
        case Push::windowClose:
            append(Kind::windowRemoved, L("Fereastră închisă (" + id + ")", "Window closed (" + id + ")"));
            break;
        case Push::windowRenamed:
            append(Kind::windowRenamed,
                   L("Fereastră " + id + " redenumită: " + name, "Window " + id + " renamed: " + name));
            break;
        case Push::sessionsChanged:
        case Push::other:
            // The push may come while a snapshot taken before the change is out: one more
            // follows it, so the change is seen now and not a whole tick later.
            if (ticking_) pushArrived_ = true;
            else sessionTick();
            break;
    }
}

void ScannerEngine::resolveWindowAdd(const std::string& id) {
    const auto& client = environment_.client();
    if (!client) return;
    const std::uint64_t generation = runGeneration_;
    inBackground(
        [client = *client, id]() -> std::optional<std::string> {
            try {
                return client.displayMessage(id, windowLabelFormat);
            } catch (const std::exception&) {
                return std::nullopt;
            }
        },
        [this, generation, id](std::optional<std::string> label) {
            if (generation != runGeneration_) return;
            const std::string tail = label ? ": " + *label : " (" + id + ")";
            append(ScanEvent::make(Kind::windowAdded, L("Fereastră nouă" + tail, "Window opened" + tail), label, id));
        });
}

void ScannerEngine::handleControlExit(std::uint64_t generation) {
    if (generation != controlGeneration_) return;
    control_.reset();
    if (running_ && controlModeSelected())
        append(Kind::info, L("Control mode deconectat — reîncerc la următorul tick.",
                             "Control mode disconnected — retrying on the next tick."));
}

void ScannerEngine::append(Kind kind, std::string message) { append(ScanEvent::make(kind, std::move(message))); }

void ScannerEngine::append(ScanEvent event) {
    events_.push_back(event);
    while (events_.size() > maxEvents) events_.pop_front();
    emit eventAppended(event);
    emit eventsChanged();
    if (environment_.notifyOnClose() && (event.kind == Kind::sessionRemoved || event.kind == Kind::windowRemoved))
        notifier_.post(L("tmux — închidere", "tmux — closed"), event.message);
    rules_.evaluate(event);
}

}  // namespace quillon

#include "moc_scanner_engine.cpp"
