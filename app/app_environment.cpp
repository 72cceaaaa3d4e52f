#include "app/app_environment.h"

#include <QCoreApplication>
#include <QMetaObject>

#include <algorithm>
#include <exception>
#include <type_traits>
#include <utility>
#include <variant>

#include "app/server_watcher.h"
#include "app/snapshot_keeper.h"
#include "app/terminal_launcher.h"
#include "core/snapshot_ring.h"
#include "core/l10n.h"
#include "core/paths.h"
#include "core/server_scanner.h"
#include "core/ssh_transport.h"
#include "core/stored_hosts.h"
#include "core/text.h"
#include "core/tmux_error.h"
#include "core/tmux_target.h"

namespace quillon {

namespace {

using Nothing = std::monostate;

// What a pool job produced: its value, or the text of what it threw.
template <class Result> struct Outcome {
    std::optional<Result> value;
    OptionalText error;
};

template <class Work>
auto attempt(Work& work) {
    using Result = std::invoke_result_t<Work&>;
    using Value = std::conditional_t<std::is_void_v<Result>, Nothing, Result>;
    Outcome<Value> outcome;
    try {
        if constexpr (std::is_void_v<Result>) {
            work();
            outcome.value = Nothing{};
        } else {
            outcome.value = work();
        }
    } catch (const std::exception& error) {
        outcome.error = describe(error);
    } catch (...) {
        outcome.error = L("Eroare necunoscută", "Unknown error");
    }
    return outcome;
}

// tmux's answer when the session is no longer there.
bool isSessionGone(const std::string& message) { return text::contains(message, "can't find session"); }

// What a command addresses for a session of a list: its id, which no rename or namesake moves.
const std::string& address(const TmuxSession& session) {
    return session.sessionID.empty() ? session.name : session.sessionID;
}

void call(const AppEnvironment::Done& done) {
    if (done) done();
}

}  // namespace

// ---- Creation ----

AppEnvironment::Options AppEnvironment::Options::standard() {
    auto detected = TmuxClient::detect();
    return Options{DefaultsStore::standard(),
                   detected ? std::optional(detected->binaryPath) : std::nullopt,
                   AppPlatform::native(),
                   SnapshotRing::rootDirectory(L10n::processEnvironment()),
                   true};
}

AppEnvironment::AppEnvironment(Options options, QObject* parent)
    : QObject(parent),
      defaults_(std::move(options.defaults)),
      platform_(std::move(options.platform)),
      binaryPath_(std::move(options.tmuxPath)),
      settingsWriter_(defaults_) {
    connect(&settingsWriter_, &SettingsWriter::failed, this, [this](const std::string& message) {
        setLastError(L("Nu am putut salva setările: ", "Could not save the settings: ") + message);
    });
    const TerminalList installed =
        platform_.terminals ? TerminalLauncher::installedTerminals(*platform_.terminals) : TerminalList{};
    availableTerminals_ = offeredTerminals(installed);
    settings_ = AppSettings::load(defaults_, installed, &settingsProblems_);
    L10n::setLanguage(settings_.language);
    // What was wrong is said in the language just set.
    if (!settingsProblems_.empty()) AppSettings::load(defaults_, installed, &settingsProblems_);
    if (binaryPath_) client_ = configuredClient();
    else lastError_ = TmuxError::binaryNotFound().localizedDescription();
    serverIdentity_ = configuredServer();
    snapshots_ = new SnapshotKeeper(*this, std::move(options.snapshotRoot), this);
    if (options.watchServer) {
        watcher_ = new ServerWatcher(this);
        connect(watcher_, &ServerWatcher::attached, this, &AppEnvironment::watcherAttached);
        connect(watcher_, &ServerWatcher::ended, this, &AppEnvironment::watcherEnded);
        connect(watcher_, &ServerWatcher::structureChanged, this, [this] { refresh(); });
        connect(watcher_, &ServerWatcher::valuesChanged, this, &AppEnvironment::applyLiveValues);
        connect(watcher_, &ServerWatcher::notified, this, &AppEnvironment::watcherNotified);
        watchRetry_ = new QTimer(this);
        watchRetry_->setSingleShot(true);
        // A coarse timer may fire before the retry is due, and nothing else may come to retry.
        watchRetry_->setTimerType(Qt::PreciseTimer);
        // The next snapshot starts the watcher again.
        connect(watchRetry_, &QTimer::timeout, this, [this] { refresh(); });
    }
    QMetaObject::invokeMethod(this, [this] { bootstrap(); }, Qt::QueuedConnection);
}

AppEnvironment::~AppEnvironment() {
    // The watcher's child is ended and reaped before anything else goes.
    delete std::exchange(watcher_, nullptr);
    // The keeper's jobs end before the state they were taken from.
    delete std::exchange(snapshots_, nullptr);
    // Jobs post their results to this object; none may outlive it.
    pool_.clear();
    pool_.waitForDone();
}

AppEnvironment& AppEnvironment::shared() {
    static AppEnvironment* instance = new AppEnvironment(Options::standard(), QCoreApplication::instance());
    return *instance;
}

// ---- Background work ----

template <class Work, class Then>
void AppEnvironment::runInBackground(Work work, Then then) {
    pool_.start([this, work = std::move(work), then = std::move(then)]() mutable {
        auto outcome = attempt(work);
        QMetaObject::invokeMethod(
            this, [then = std::move(then), outcome = std::move(outcome)]() mutable { then(std::move(outcome)); },
            Qt::QueuedConnection);
    });
}

void AppEnvironment::perform(Operation operation, Done done) {
    if (!client_) return call(done);
    runInBackground([client = *client_, operation = std::move(operation)] { operation(client); },
                    [this, done = std::move(done)](auto outcome) {
                        setLastError(outcome.error);
                        // Neither a refresh already running nor the action's own may wipe the
                        // failure before anyone saw it.
                        if (outcome.error) keepErrorThrough_ = refreshesStarted_ + 1;
                        refresh(done);
                    });
}

void AppEnvironment::bootstrap() {
    if (!client_) return;
    const auto generation = clientGeneration_;
    runInBackground(
        [client = *client_] {
            std::string version;
            try {
                version = client.version();
            } catch (const std::exception&) {
                // An unreadable version is shown as none.
            }
            return std::pair{version, client.currentPrefix()};
        },
        [this, generation](auto outcome) {
            if (generation != clientGeneration_) return;
            if (outcome.value) {
                if (tmuxVersion_ != outcome.value->first) {
                    tmuxVersion_ = outcome.value->first;
                    emit tmuxVersionChanged();
                }
                if (prefix_ != outcome.value->second) {
                    prefix_ = outcome.value->second;
                    emit prefixChanged();
                }
            }
            refresh([this, generation] {
                if (generation == clientGeneration_) startPolling();
            });
        });
}

void AppEnvironment::applySocketSettings() {
    if (!binaryPath_) return;
    ++clientGeneration_;
    client_ = configuredClient();
    serverIdentity_ = configuredServer();
    forgetWatcher();
    // Nothing of the previous server may be read as this one's, not even for the moment
    // before its first refresh: the listeners of serverChanged find no sessions.
    const bool hadSessions = !sessions_.empty();
    sessions_.clear();
    refreshesFinished_ = false;
    emit serverChanged();
    if (hadSessions) emit sessionsChanged();
    if (std::exchange(serverRunning_, false)) emit serverRunningChanged();
    QMetaObject::invokeMethod(this, [this] { bootstrap(); }, Qt::QueuedConnection);
}

// ---- Refresh loop ----

void AppEnvironment::refresh(Done done) {
    if (!client_) return call(done);
    if (refreshing_) {
        // One more snapshot after the running one, for every request that arrives meanwhile:
        // it starts after the request, so an action's completion sees the action's effect.
        if (!pending_) pending_.emplace();
        if (done) pending_->push_back(std::move(done));
        return;
    }
    std::vector<Done> waiting;
    if (done) waiting.push_back(std::move(done));
    startRefresh(std::move(waiting));
}

void AppEnvironment::startRefresh(std::vector<Done> waiting) {
    setRefreshing(true);
    const auto generation = clientGeneration_;
    const auto number = ++refreshesStarted_;
    runInBackground([client = *client_] { return client.snapshot(); },
                    [this, generation, number, waiting = std::move(waiting)](auto outcome) mutable {
                        setRefreshing(false);
                        if (generation == clientGeneration_) {
                            // Known before they are published: a listener of sessionsChanged
                            // may take them as the server's.
                            refreshesFinished_ = true;
                            if (!outcome.value) setLastError(outcome.error);
                            else {
                                // Values pushed while it ran are newer than its own.
                                bool older = false;
                                if (liveValues_ && number <= liveValuesStamp_) {
                                    auto updated = ServerWatch::withValues(*outcome.value, *liveValues_);
                                    if (updated) outcome.value = std::move(updated);
                                    // Either of the two may be the newer: one more snapshot settles it.
                                    else older = true;
                                }
                                setSessions(std::move(*outcome.value));
                                if (number > keepErrorThrough_) setLastError(std::nullopt);
                                considerWatching();
                                if (older && !pending_) pending_.emplace();
                            }
                            emit refreshFinished();
                        } else {
                            // A snapshot of the previous server: the waiting need one of this one.
                            if (!pending_) pending_.emplace();
                            pending_->insert(pending_->end(), waiting.begin(), waiting.end());
                            waiting.clear();
                        }
                        if (pending_ && client_) startRefresh(*std::exchange(pending_, std::nullopt));
                        for (const Done& done : waiting) call(done);
                    });
}

void AppEnvironment::startPolling() {
    if (!timer_) {
        timer_ = new QTimer(this);
        // A tick while a snapshot runs is dropped, not queued.
        connect(timer_, &QTimer::timeout, this, [this] {
            if (!refreshing_) refresh();
        });
    }
    timer_->start(watching() ? safetyPeriod : settings_.pollingPeriod());
}

// ---- Watching ----

std::chrono::milliseconds AppEnvironment::watchRetryDelay(int failures) {
    if (failures <= 0) return std::chrono::milliseconds(0);
    return std::chrono::seconds(failures > 6 ? 60 : 1 << (failures - 1));
}

std::optional<pid_t> AppEnvironment::watcherPid() const { return watcher_ ? watcher_->pid() : std::nullopt; }

bool AppEnvironment::watching() const { return watcher_ && watcher_->watching(); }

void AppEnvironment::considerWatching() {
    if (!watcher_ || !client_ || watcher_->running() || sessions_.empty()) return;
    const auto now = std::chrono::steady_clock::now();
    if (now < watchRetryAt_) {
        // Asked early (a poll, a notification): the retry still comes when it is due.
        if (!watchRetry_->isActive())
            watchRetry_->start(std::chrono::ceil<std::chrono::milliseconds>(watchRetryAt_ - now));
        return;
    }
    watcher_->start(*client_, watchTarget());
}

std::string AppEnvironment::watchTarget() const {
    // It never creates a session: it waits for one, and attaches by id.
    const auto named = std::find_if(sessions_.begin(), sessions_.end(),
                                    [&](const TmuxSession& s) { return s.name == watchedSession_; });
    return address(named != sessions_.end() ? *named : sessions_.front());
}

void AppEnvironment::watchSession(const std::string& name) {
    watchedSession_ = name;
    if (!watcher_ || !client_ || !watcher_->running() || sessions_.empty()) return;
    // What changes while the new child attaches, the snapshot after its attach shows.
    if (const std::string target = watchTarget(); target != watcher_->session()) watcher_->start(*client_, target);
}

void AppEnvironment::watcherAttached() {
    watchFailures_ = 0;
    if (timer_) startPolling();
    emit watchingChanged();
    refresh();  // what changed between the last snapshot and the attach
}

void AppEnvironment::watcherEnded(bool byTmux) {
    liveValues_.reset();
    if (byTmux) {
        watchRetryAt_ = {};
    } else {
        const auto delay = watchRetryDelay(++watchFailures_);
        watchRetryAt_ = std::chrono::steady_clock::now() + delay;
        watchRetry_->start(delay);
    }
    if (timer_) startPolling();
    emit watchingChanged();
    refresh();
}

void AppEnvironment::applyLiveValues(const ServerWatch::LiveValues& values) {
    // A client attached or left: tmux 3.3a has no notification, and the model needs its list.
    const bool clientsMoved = liveValues_ && liveValues_->sessions != values.sessions;
    const auto stirred = ServerWatch::stirredPanes(liveValues_.value_or(ServerWatch::LiveValues{}), values);
    liveValues_ = values;
    if (!stirred.empty()) emit panesStirred(stirred);
    liveValuesStamp_ = refreshesStarted_;
    if (clientsMoved) return refresh();
    // Panes or windows the model does not hold as listed (a layout changed in another session
    // than the watcher's, which brings no notification): a snapshot tells what changed.
    if (auto updated = ServerWatch::withValues(sessions_, values)) setSessions(std::move(*updated));
    else refresh();
}

void AppEnvironment::forgetWatcher() {
    if (!watcher_) return;
    const bool was = watcher_->watching();
    watcher_->stop();
    watchRetry_->stop();
    liveValues_.reset();
    watchFailures_ = 0;
    watchRetryAt_ = {};
    if (was) emit watchingChanged();
}

std::optional<std::chrono::milliseconds> AppEnvironment::pollingTimerInterval() const {
    if (!timer_ || !timer_->isActive()) return std::nullopt;
    return std::chrono::milliseconds(timer_->interval());
}

// ---- Actions ----

void AppEnvironment::createSession(const std::string& name, const std::optional<std::string>& directory,
                                   Done done) {
    perform([name, directory](const TmuxClient& client) { client.newSession(name, directory); },
            [this, done = std::move(done)] {
                if (!client_) return call(done);
                // The first session starts the server, whose prefix may differ.
                runInBackground([client = *client_] { return client.currentPrefix(); },
                                [this, done](auto outcome) {
                                    if (outcome.value && *outcome.value != prefix_) {
                                        prefix_ = *outcome.value;
                                        emit prefixChanged();
                                    }
                                    call(done);
                                });
            });
}

void AppEnvironment::killSession(const std::string& name, Done done) {
    perform([name](const TmuxClient& client) { client.killSession(name); }, std::move(done));
}

void AppEnvironment::renameSession(const std::string& oldName, const std::string& newName, Done done) {
    perform([oldName, newName](const TmuxClient& client) { client.renameSession(oldName, newName); },
            std::move(done));
}

void AppEnvironment::killWindow(const std::string& target, Done done) {
    perform([target](const TmuxClient& client) { client.killWindow(target); }, std::move(done));
}

void AppEnvironment::killPane(const std::string& target, Done done) {
    perform([target](const TmuxClient& client) { client.killPane(target); }, std::move(done));
}

void AppEnvironment::swapPane(const std::string& target, bool up, Done done) {
    perform([target, up](const TmuxClient& client) { client.swapPane(target, up ? "-U" : "-D"); },
            std::move(done));
}

void AppEnvironment::sendKeys(const std::string& target, const std::string& keys, bool enter, Done done) {
    perform([target, keys, enter](const TmuxClient& client) { client.sendKeys(target, keys, enter); },
            std::move(done));
}

void AppEnvironment::reloadConfig(Done done) {
    perform([](const TmuxClient& client) { client.reloadConfig(); }, std::move(done));
}

SessionList AppEnvironment::idleSessions(TimePoint now) const {
    const auto limit = settings_.idleLimit();
    SessionList idle;
    std::copy_if(sessions_.begin(), sessions_.end(), std::back_inserter(idle),
                 [&](const TmuxSession& s) { return s.isIdle(limit, now); });
    return idle;
}

void AppEnvironment::killIdleSessions(Done done) {
    if (!client_ || idleSessions(Clock::now()).empty()) return call(done);
    const auto limit = settings_.idleLimit();
    perform(
        [limit](const TmuxClient& client) {
            // Decided on what tmux says now, not on the last refresh: a session attached
            // since then must survive.
            const TimePoint now = Clock::now();
            std::vector<std::string> failures;
            for (const TmuxSession& session : client.snapshot()) {
                if (!session.isIdle(limit, now)) continue;
                try {
                    client.killSession(address(session));
                } catch (const TmuxError& error) {
                    if (isSessionGone(error.message())) continue;
                    failures.push_back(L("Nu am putut închide sesiunea „" + session.name + "”: " + error.message(),
                                         "Could not kill session “" + session.name + "”: " + error.message()));
                }
            }
            if (!failures.empty()) throw TmuxError::commandFailed(text::join(failures, "\n"));
        },
        std::move(done));
}

void AppEnvironment::launchTemplate(const SessionTemplate& sessionTemplate, bool attachAfter, Done done) {
    const std::string name = sessionTemplate.name;
    auto attachByName = [this, name, attachAfter](Done next) {
        auto it = std::find_if(sessions_.begin(), sessions_.end(), [&](const TmuxSession& s) { return s.name == name; });
        if (!attachAfter || it == sessions_.end()) return call(next);
        attach(*it, std::nullopt, std::move(next));
    };
    const bool exists = std::any_of(sessions_.begin(), sessions_.end(), [&](const TmuxSession& s) { return s.name == name; });
    if (exists) return attachByName(std::move(done));
    perform([sessionTemplate](const TmuxClient& client) { runTemplate(client, sessionTemplate); },
            [attachByName, done = std::move(done)] { attachByName(done); });
}

void AppEnvironment::capturePane(const std::string& target, std::int64_t lines, TextDone done) {
    if (!done) return;
    if (!client_) return done({});
    runInBackground([client = *client_, target, lines] { return client.capturePane(target, lines); },
                    [done = std::move(done)](auto outcome) { done(outcome.value.value_or(std::string())); });
}

void AppEnvironment::captureScrollback(const std::string& target, CaptureDone done) {
    if (!done) return;
    if (!client_) return done(std::nullopt, TmuxError::binaryNotFound().localizedDescription());
    runInBackground([client = *client_, target] { return client.captureScrollback(target); },
                    [done = std::move(done)](auto outcome) { done(std::move(outcome.value), outcome.error.value_or("")); });
}

void AppEnvironment::attach(const TmuxSession& session, const std::optional<TmuxWindow>& window, Done done) {
    std::optional<std::string> windowTarget;
    if (window)
        windowTarget = window->windowID.empty() ? session.name + ":" + std::to_string(window->index) : window->windowID;
    if (!client_) return call(done);
    attachTo(*client_, address(session), windowTarget, std::move(done));
}

void AppEnvironment::attachPane(const TmuxClient& server, const std::string& sessionId, const std::string& paneId,
                                Done done) {
    attachTo(server, sessionId, paneId, std::move(done));
}

void AppEnvironment::attachTo(const TmuxClient& server, const std::string& session,
                              const std::optional<std::string>& windowTarget, Done done) {
    if (!platform_.terminals) return call(done);
    runInBackground(
        [host = platform_.terminals, app = settings_.preferredTerminal, session, windowTarget,
         tmuxPath = server.binaryPath, args = server.socketArgs, remote = server.host] {
            if (!remote) return TerminalLauncher::launch(*host, app, session, windowTarget, tmuxPath, args);
            const auto ssh = SshTransport::sshProgram(L10n::processEnvironment());
            if (!ssh) throw TmuxError::commandFailed(L("Nu am găsit ssh.", "Could not find ssh."));
            host->open(app, TerminalLauncher::buildRemoteShellCommand(*ssh, *remote, session, windowTarget, args));
        },
        [this, done = std::move(done)](auto outcome) {
            if (outcome.error) setLastError(outcome.error);
            call(done);
        });
}

std::string AppEnvironment::command(std::string_view verb, const TmuxSession& session) const {
    // Quoted where needed, so a pasted line never runs what a session name smuggles in.
    std::vector<std::string> words{"tmux"};
    for (const std::string& arg : socketArgs(settings_.socketMode, settings_.socketValue))
        words.push_back(text::shellQuoteIfNeeded(arg));
    words.push_back(text::shellQuoteIfNeeded(verb));
    words.push_back("-t");
    const bool looksLikeID = session.name.starts_with('$') && !session.sessionID.empty();
    words.push_back(text::shellQuote(looksLikeID ? session.sessionID : exactSessionName(session.name)));
    return text::join(words, " ");
}

void AppEnvironment::openInFinder(const std::string& path) {
    if (path.empty() || !platform_.directories) return;
    if (!platform_.directories->openDirectory(path))
        setLastError(L("Nu am putut deschide " + path, "Could not open " + path));
}

// ---- Published state ----

void AppEnvironment::setLastError(OptionalText error) {
    if (lastError_ == error) return;
    lastError_ = std::move(error);
    emit lastErrorChanged();
}

void AppEnvironment::setSessions(SessionList sessions) {
    const bool running = !sessions.empty();
    if (sessions_ != sessions) {
        sessions_ = std::move(sessions);
        emit sessionsChanged();
    }
    if (serverRunning_ != running) {
        serverRunning_ = running;
        emit serverRunningChanged();
    }
}

void AppEnvironment::setRefreshing(bool value) {
    if (refreshing_ == value) return;
    refreshing_ = value;
    emit refreshingChanged();
}

// ---- Settings ----

void AppEnvironment::persist(std::string_view key, const nlohmann::json& value) { settingsWriter_.set(key, value); }

template <class T>
bool AppEnvironment::update(T& field, const T& value, std::string_view key, const nlohmann::json& stored) {
    if (field == value) return false;
    field = value;
    persist(key, stored);
    return true;
}

void AppEnvironment::setPreferredTerminal(TerminalApp value) {
    if (update(settings_.preferredTerminal, value, SettingsKey::preferredTerminal, toRaw(value)))
        emit preferredTerminalChanged();
}

void AppEnvironment::setPollingInterval(double seconds) {
    if (!update(settings_.pollingInterval, seconds, SettingsKey::pollingInterval, seconds)) return;
    emit pollingIntervalChanged();
    if (timer_) startPolling();
}

void AppEnvironment::setSocketMode(TmuxSocketMode value) {
    if (update(settings_.socketMode, value, SettingsKey::socketMode, toRaw(value))) emit socketModeChanged();
}

void AppEnvironment::setSocketValue(const std::string& value) {
    if (update(settings_.socketValue, value, SettingsKey::socketValue, value)) emit socketValueChanged();
}

void AppEnvironment::setSocketHost(const std::string& destination) {
    if (!destination.empty()) {
        if (auto problem = SshTransport::destinationProblem(destination)) return setLastError(*problem);
    }
    if (update(settings_.socketHost, destination, SettingsKey::socketHost, destination)) emit socketHostChanged();
}

bool AppEnvironment::setHosts(const std::vector<std::string>& destinations) {
    std::vector<std::string> kept;
    for (const std::string& destination : destinations) {
        if (auto problem = SshTransport::destinationProblem(destination)) {
            setLastError(destination + ": " + *problem);
            return false;
        }
        if (std::find(kept.begin(), kept.end(), destination) == kept.end()) kept.push_back(destination);
    }
    if (update(settings_.hosts, kept, SettingsKey::hosts, StoredHosts::encode(kept))) emit hostsChanged();
    return true;
}

void AppEnvironment::useServer(const std::optional<std::string>& host, const std::optional<std::string>& socketName,
                               const std::string& socketPath) {
    // A name found in tmux's own directory (here or there) is that directory's -L name.
    const bool byName =
        socketName && (host || paths::join(TmuxServerScanner::defaultSocketDirectory(), *socketName) == socketPath);
    setSocketMode(byName ? TmuxSocketMode::name : TmuxSocketMode::path);
    setSocketValue(byName ? *socketName : socketPath);
    setSocketHost(host.value_or(""));
    applySocketSettings();
}

ServerIdentity AppEnvironment::configuredServer() const {
    return ServerIdentity::fromSocketArgs(socketArgs(settings_.socketMode, settings_.socketValue), settings_.socketHost);
}

TmuxClient AppEnvironment::configuredClient() const {
    TmuxClient client(*binaryPath_, socketArgs(settings_.socketMode, settings_.socketValue));
    if (!settings_.socketHost.empty()) client.host = settings_.socketHost;
    return client;
}

void AppEnvironment::setScannerInterval(double seconds) {
    if (update(settings_.scannerInterval, seconds, SettingsKey::scannerInterval, seconds))
        emit scannerIntervalChanged();
}

void AppEnvironment::setScannerMode(ScannerMode value) {
    if (update(settings_.scannerMode, value, SettingsKey::scannerMode, toRaw(value))) emit scannerModeChanged();
}

void AppEnvironment::setNotifyOnClose(bool value) {
    if (!update(settings_.notifyOnClose, value, SettingsKey::notifyOnClose, value)) return;
    emit notifyOnCloseChanged();
    if (value && platform_.notifications) platform_.notifications->requestAuthorization();
}

void AppEnvironment::setSilenceThreshold(double seconds) {
    if (!silenceAcceptable(seconds))
        return setLastError(L("Pragul de liniște e între 5 și 3600 de secunde.",
                              "The silence threshold is from 5 to 3600 seconds."));
    if (update(settings_.silenceThreshold, seconds, SettingsKey::silenceThreshold, seconds))
        emit silenceThresholdChanged();
}

void AppEnvironment::setPaneNotification(NoticeKind kind, bool on) {
    NoticeSwitches switches = settings_.paneNotifications;
    switches.set(kind, on);
    if (update(settings_.paneNotifications, switches, SettingsKey::paneNotifications, encode(switches)))
        emit paneNotificationsChanged();
}

void AppEnvironment::startDoNotDisturb(std::optional<std::chrono::minutes> length, TimePoint now) {
    DoNotDisturb pause;
    if (length) pause.until = std::chrono::time_point_cast<std::chrono::seconds>(now + *length);
    else pause.untilTurnedOff = true;
    if (update(settings_.doNotDisturb, pause, SettingsKey::doNotDisturbUntil, encode(pause))) emit doNotDisturbChanged();
}

void AppEnvironment::turnOffDoNotDisturb() {
    if (update(settings_.doNotDisturb, DoNotDisturb{}, SettingsKey::doNotDisturbUntil, encode(DoNotDisturb{})))
        emit doNotDisturbChanged();
}

void AppEnvironment::setIdleThresholdHours(double hours) {
    if (update(settings_.idleThresholdHours, hours, SettingsKey::idleThresholdHours, hours))
        emit idleThresholdHoursChanged();
}

void AppEnvironment::setAutoCommandsEnabled(bool value) {
    if (update(settings_.autoCommandsEnabled, value, SettingsKey::autoCommandsEnabled, value))
        emit autoCommandsEnabledChanged();
}

void AppEnvironment::setLanguage(AppLanguage value) {
    if (settings_.language == value) return;
    // Texts produced while persisting (a failure) already speak the new language.
    L10n::setLanguage(value);
    update(settings_.language, value, SettingsKey::language, toRaw(value));
    emit languageChanged();
}

void AppEnvironment::setAppearance(AppAppearance value) {
    if (update(settings_.appearance, value, SettingsKey::appearance, toRaw(value))) emit appearanceChanged();
}

void AppEnvironment::setRestartPrograms(const ProgramList& names) {
    if (update(settings_.restartPrograms, names, SettingsKey::restartPrograms, names)) emit restartProgramsChanged();
}

bool AppEnvironment::launchAtLogin() const { return platform_.loginItem && platform_.loginItem->isEnabled(); }

void AppEnvironment::setLaunchAtLogin(bool value) {
    if (!platform_.loginItem) return;
    try {
        platform_.loginItem->setEnabled(value);
    } catch (const std::exception& error) {
        setLastError(std::string("Login item: ") + error.what());
    }
    emit launchAtLoginChanged();
}

}  // namespace quillon

#include "moc_app_environment.cpp"
