#pragma once
// The application's one state store: the settings, the tmux client, the session tree
// kept fresh by the server's watcher (polling when it cannot watch), and every action the
// screens perform on tmux.
//
// Everything here lives on the GUI thread. tmux runs only in pool jobs on a copy of the
// client; results are posted back before any published property changes. Actions take an
// optional completion that runs on the GUI thread once the action and its refresh are over.

#include <QObject>
#include <QThreadPool>
#include <QTimer>

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/platform/app_platform.h"
#include "app/session_template.h"
#include "app/settings.h"
#include "app/settings_writer.h"
#include "core/defaults_store.h"
#include "core/server_identity.h"
#include "core/server_watch.h"
#include "core/tmux_client.h"
#include "core/tmux_model.h"

namespace quillon {

using SessionList = std::vector<TmuxSession>;
using TerminalList = std::vector<TerminalApp>;
using OptionalText = std::optional<std::string>;
using ProgramList = std::vector<std::string>;
class SnapshotKeeper;
class ServerWatcher;

class AppEnvironment : public QObject {
    Q_OBJECT
    // Published run-time state.
    Q_PROPERTY(quillon::SessionList sessions READ sessions NOTIFY sessionsChanged)
    Q_PROPERTY(bool serverRunning READ serverRunning NOTIFY serverRunningChanged)
    Q_PROPERTY(std::string tmuxVersion READ tmuxVersion NOTIFY tmuxVersionChanged)
    Q_PROPERTY(std::string prefix READ prefix NOTIFY prefixChanged)
    Q_PROPERTY(quillon::OptionalText lastError READ lastError NOTIFY lastErrorChanged)
    Q_PROPERTY(bool refreshing READ refreshing NOTIFY refreshingChanged)
    // Settings, persisted on every change.
    Q_PROPERTY(quillon::TerminalApp preferredTerminal READ preferredTerminal WRITE setPreferredTerminal NOTIFY preferredTerminalChanged)
    Q_PROPERTY(double pollingInterval READ pollingInterval WRITE setPollingInterval NOTIFY pollingIntervalChanged)
    Q_PROPERTY(quillon::TmuxSocketMode socketMode READ socketMode WRITE setSocketMode NOTIFY socketModeChanged)
    Q_PROPERTY(std::string socketValue READ socketValue WRITE setSocketValue NOTIFY socketValueChanged)
    Q_PROPERTY(std::string socketHost READ socketHost WRITE setSocketHost NOTIFY socketHostChanged)
    Q_PROPERTY(std::vector<std::string> hosts READ hosts WRITE setHosts NOTIFY hostsChanged)
    Q_PROPERTY(double scannerInterval READ scannerInterval WRITE setScannerInterval NOTIFY scannerIntervalChanged)
    Q_PROPERTY(quillon::ScannerMode scannerMode READ scannerMode WRITE setScannerMode NOTIFY scannerModeChanged)
    Q_PROPERTY(bool notifyOnClose READ notifyOnClose WRITE setNotifyOnClose NOTIFY notifyOnCloseChanged)
    Q_PROPERTY(double idleThresholdHours READ idleThresholdHours WRITE setIdleThresholdHours NOTIFY idleThresholdHoursChanged)
    Q_PROPERTY(bool autoCommandsEnabled READ autoCommandsEnabled WRITE setAutoCommandsEnabled NOTIFY autoCommandsEnabledChanged)
    Q_PROPERTY(quillon::AppLanguage language READ language WRITE setLanguage NOTIFY languageChanged)
    Q_PROPERTY(quillon::AppAppearance appearance READ appearance WRITE setAppearance NOTIFY appearanceChanged)
    Q_PROPERTY(quillon::ProgramList restartPrograms READ restartPrograms WRITE setRestartPrograms NOTIFY restartProgramsChanged)
    // Not stored: the desktop's login-item registration.
    Q_PROPERTY(bool launchAtLogin READ launchAtLogin WRITE setLaunchAtLogin NOTIFY launchAtLoginChanged)

public:
    struct Options {
        DefaultsStore defaults;
        std::optional<std::string> tmuxPath;  // nothing: tmux was not found
        AppPlatform platform;
        // Where the servers' snapshot rings live; empty: no snapshots are kept.
        std::filesystem::path snapshotRoot = {};
        // The shown server pushes its changes to a watcher (ServerWatcher); polling at the
        // settings' interval only while it cannot. False: polling alone.
        bool watchServer = false;

        // The application's defaults document, TmuxClient::detect() and this desktop.
        static Options standard();
    };
    using Done = std::function<void()>;
    using TextDone = std::function<void(std::string)>;

    // Loads the settings, sets the process language, builds the client and schedules the
    // bootstrap (version, prefix, first refresh, polling) on the event loop.
    explicit AppEnvironment(Options options, QObject* parent = nullptr);
    // Waits for running tmux jobs (each bounded by the client's time limit).
    ~AppEnvironment() override;
    // The process's instance with standard options; needs a QCoreApplication.
    static AppEnvironment& shared();

    // ---- Published state ----
    const SessionList& sessions() const noexcept { return sessions_; }
    bool serverRunning() const noexcept { return serverRunning_; }
    const std::string& tmuxVersion() const noexcept { return tmuxVersion_; }
    const std::string& prefix() const noexcept { return prefix_; }
    // The last failure. A successful action clears it, and so does a successful refresh
    // that started after a failed action's own refresh.
    const OptionalText& lastError() const noexcept { return lastError_; }
    bool refreshing() const noexcept { return refreshing_; }
    // True once a snapshot of the shown server completed (successful or not), or when there
    // is no tmux to ask: sessions() then says what exists, not what is not known yet.
    bool sessionsKnown() const noexcept { return refreshesFinished_ || !client_; }

    // Nothing when tmux was not found; replaced by applySocketSettings().
    const std::optional<TmuxClient>& client() const noexcept { return client_; }
    // The server shown: the one the client addresses (the socket settings' server without
    // a client). Everything kept per server is kept under this value.
    const ServerIdentity& serverIdentity() const noexcept { return serverIdentity_; }
    const std::optional<std::string>& binaryPath() const noexcept { return binaryPath_; }
    // The installed terminals, or Terminal alone; fixed at creation.
    const TerminalList& availableTerminals() const noexcept { return availableTerminals_; }
    // The running polling timer's period; nothing before the first bootstrap ends. While the
    // watcher pushes changes it is the safety period.
    std::optional<std::chrono::milliseconds> pollingTimerInterval() const;
    // While the watcher runs: a snapshot this often catches anything it missed.
    static constexpr std::chrono::milliseconds safetyPeriod{30'000};
    // Waits before another start of a watcher that failed n times in a row: 1 s, 2 s, 4 s… 60 s.
    static std::chrono::milliseconds watchRetryDelay(int failures);
    // The watcher's child while one runs, and whether changes are pushed now.
    std::optional<pid_t> watcherPid() const;
    bool watching() const;
    // The session the user looks at (by name; empty for none). tmux tells a control client of
    // a layout change only in its own session, so the watcher attaches there, moving at once.
    void watchSession(const std::string& name);

    // ---- Settings ----
    const AppSettings& settings() const noexcept { return settings_; }
    TerminalApp preferredTerminal() const noexcept { return settings_.preferredTerminal; }
    double pollingInterval() const noexcept { return settings_.pollingInterval; }
    TmuxSocketMode socketMode() const noexcept { return settings_.socketMode; }
    const std::string& socketValue() const noexcept { return settings_.socketValue; }
    // The ssh destination of the shown server; empty for this machine.
    const std::string& socketHost() const noexcept { return settings_.socketHost; }
    const std::vector<std::string>& hosts() const noexcept { return settings_.hosts; }
    double scannerInterval() const noexcept { return settings_.scannerInterval; }
    ScannerMode scannerMode() const noexcept { return settings_.scannerMode; }
    bool notifyOnClose() const noexcept { return settings_.notifyOnClose; }
    double idleThresholdHours() const noexcept { return settings_.idleThresholdHours; }
    bool autoCommandsEnabled() const noexcept { return settings_.autoCommandsEnabled; }
    AppLanguage language() const noexcept { return settings_.language; }
    AppAppearance appearance() const noexcept { return settings_.appearance; }
    const ProgramList& restartPrograms() const noexcept { return settings_.restartPrograms; }
    double silenceThreshold() const noexcept { return settings_.silenceThreshold; }
    const NoticeSwitches& paneNotifications() const noexcept { return settings_.paneNotifications; }
    const DoNotDisturb& doNotDisturb() const noexcept { return settings_.doNotDisturb; }
    // What was wrong with the stored pane-state settings at start, a sentence each (they
    // read as their defaults; the document keeps them until changed here).
    const std::vector<std::string>& settingsProblems() const noexcept { return settingsProblems_; }
    bool launchAtLogin() const;

    void setPreferredTerminal(TerminalApp value);
    void setPollingInterval(double seconds);  // restarts a running polling timer
    void setSocketMode(TmuxSocketMode value);  // takes effect with applySocketSettings()
    void setSocketValue(const std::string& value);
    // Takes effect with applySocketSettings(); a destination ssh would misread is refused
    // (lastError says why).
    void setSocketHost(const std::string& destination);
    // Stored as given, minus duplicates; false with lastError set when one is refused.
    bool setHosts(const std::vector<std::string>& destinations);
    // "Use this server": its socket (name or path) and host become the socket settings,
    // applied at once.
    void useServer(const std::optional<std::string>& host, const std::optional<std::string>& socketName,
                   const std::string& socketPath);
    void setScannerInterval(double seconds);
    void setScannerMode(ScannerMode value);
    void setNotifyOnClose(bool value);  // switching on asks for notification authorisation
    void setIdleThresholdHours(double hours);
    void setAutoCommandsEnabled(bool value);
    void setLanguage(AppLanguage value);  // the process language follows at once
    void setAppearance(AppAppearance value);
    void setRestartPrograms(const ProgramList& names);
    // Seconds outside silenceMinimum…silenceMaximum are refused: lastError says so and the
    // threshold stays.
    void setSilenceThreshold(double seconds);
    void setPaneNotification(NoticeKind kind, bool on);
    // length: from now; nothing: until turned off. turnOffDoNotDisturb() ends either.
    void startDoNotDisturb(std::optional<std::chrono::minutes> length, TimePoint now = Clock::now());
    void turnOffDoNotDisturb();
    // On failure lastError becomes "Login item: " and the system's text.
    void setLaunchAtLogin(bool value);

    // Settings are written off the GUI thread once changes pause (SettingsWriter); this
    // starts the write of what is pending at once (a window closing, quit).
    void saveSettingsNow() { settingsWriter_.writeNow(); }
    // Every changed setting is in the document (or its failure in lastError).
    bool settingsSaved() const noexcept { return settingsWriter_.idle(); }

    static std::vector<std::string> socketArgs(TmuxSocketMode mode, std::string_view value) {
        return quillon::socketArgs(mode, value);
    }
    // Rebuilds the client from the socket settings and bootstraps again.
    void applySocketSettings();

    // ---- Refresh loop ----
    // One snapshot that starts after this call; done runs once it is applied (at once
    // without a client). While one runs, every request joins one more that follows it.
    void refresh(Done done = {});
    // (Re)starts the polling timer at the settings' pollingPeriod() (1 s to a day), or at the
    // safety period while the watcher pushes changes.
    void startPolling();

    // ---- Actions: each clears or sets lastError, then refreshes ----
    // Targets are the ids of the objects the user picked ("$3", "@7", "%12"), taken when the
    // user chose them: a renumbered, renamed or gone object is never replaced by another one,
    // and a gone one leaves tmux's "can't find" text in lastError. Readable targets ("dev:1")
    // are still read, exactly (exactTarget).
    void createSession(const std::string& name, const std::optional<std::string>& directory, Done done = {});
    void killSession(const std::string& name, Done done = {});
    void renameSession(const std::string& oldName, const std::string& newName, Done done = {});
    void killWindow(const std::string& target, Done done = {});
    void killPane(const std::string& target, Done done = {});
    void swapPane(const std::string& target, bool up, Done done = {});
    void sendKeys(const std::string& target, const std::string& keys, bool enter, Done done = {});
    void reloadConfig(Done done = {});
    // The published sessions idle for longer than the settings' idleLimit().
    SessionList idleSessions(TimePoint now = Clock::now()) const;
    // Kills the sessions idle on a fresh snapshot taken just before; failures name the session.
    void killIdleSessions(Done done = {});
    // Creates the session a template describes unless one of that name exists.
    void launchTemplate(const SessionTemplate& sessionTemplate, bool attachAfter, Done done = {});

    // Pane text; empty on any failure or without a client; lastError untouched.
    void capturePane(const std::string& target, std::int64_t lines, TextDone done);
    // The pane's whole history, or no text and tmux's message (a stopped or gone server, a
    // gone pane); lastError untouched.
    using CaptureDone = std::function<void(std::optional<std::string> text, std::string error)>;
    void captureScrollback(const std::string& target, CaptureDone done);

    // Opens the preferred terminal attached to the session (and one of its windows).
    // done runs once the terminal was started or the failure is in lastError.
    void attach(const TmuxSession& session, const std::optional<TmuxWindow>& window = std::nullopt,
                Done done = {});
    // The same for one pane, by its id, on the server server addresses (which may no longer
    // be the one shown): the pane's window and the pane are selected.
    void attachPane(const TmuxClient& server, const std::string& sessionId, const std::string& paneId, Done done = {});
    // The copyable line "tmux <socket args> <verb> -t '=<name>'": the exact form, so a pasted
    // line never reaches another session by prefix (the id for a name that starts with "$",
    // which tmux would read as an id); words quoted where a shell needs it.
    std::string command(std::string_view verb, const TmuxSession& session) const;
    // Shows a directory in the file manager; an empty path does nothing.
    void openInFinder(const std::string& path);
    // The snapshots of the shown server and the way back to them.
    SnapshotKeeper& snapshots() noexcept { return *snapshots_; }
    // A failure of a store working beside the environment (rules, templates), for lastError.
    void reportFailure(std::string message) { setLastError(std::move(message)); }

signals:
    void sessionsChanged();
    void serverRunningChanged();
    void tmuxVersionChanged();
    void prefixChanged();
    void lastErrorChanged();
    void refreshingChanged();
    // The shown server is now serverIdentity() (socket settings applied, "Use this server"):
    // whatever is kept for the previous one must be dropped or re-keyed here. Emitted before
    // anything of the new server arrives: sessions() is already empty and not known, and the
    // new server's bootstrap and first refresh follow.
    void serverChanged();
    // After every completed snapshot, successful or not.
    void refreshFinished();
    // The watcher started or stopped pushing changes (watching()).
    void watchingChanged();
    // A change the watcher was told of, as tmux wrote it: the scanner reads these instead of
    // keeping a control client of its own.
    void watcherNotified(const std::string& line);
    // The watcher's values say something may have happened inside these panes (by id, on
    // the shown server): they printed, rang, died or run another command.
    void panesStirred(const std::vector<std::string>& paneIds);

    void preferredTerminalChanged();
    void pollingIntervalChanged();
    void socketModeChanged();
    void socketValueChanged();
    void socketHostChanged();
    void hostsChanged();
    void scannerIntervalChanged();
    void scannerModeChanged();
    void notifyOnCloseChanged();
    void idleThresholdHoursChanged();
    void autoCommandsEnabledChanged();
    void languageChanged();
    void appearanceChanged();
    void restartProgramsChanged();
    void silenceThresholdChanged();
    void paneNotificationsChanged();
    void doNotDisturbChanged();
    void launchAtLoginChanged();

private:
    using Operation = std::function<void(const TmuxClient&)>;

    // Runs work(client copy) in the pool, then then(outcome) back on the GUI thread.
    template <class Work, class Then> void runInBackground(Work work, Then then);
    // The common action runner: no client → done at once; else run, report, refresh.
    void perform(Operation operation, Done done);
    void startRefresh(std::vector<Done> waiting);
    void bootstrap();
    void setLastError(OptionalText error);
    void setSessions(SessionList sessions);
    void setRefreshing(bool value);
    void persist(std::string_view key, const nlohmann::json& value);
    // Stores and persists a changed setting; false when the value is the same.
    template <class T> bool update(T& field, const T& value, std::string_view key, const nlohmann::json& stored);
    // The client the socket settings describe (binaryPath_ set), and its server.
    TmuxClient configuredClient() const;
    ServerIdentity configuredServer() const;
    void attachTo(const TmuxClient& server, const std::string& session, const std::optional<std::string>& windowTarget,
                  Done done);
    // After a snapshot: starts the watcher when the server has a session and a retry is due.
    void considerWatching();
    // The id (or name) the watcher attaches to: the watched session's, else the first one's.
    std::string watchTarget() const;
    void watcherAttached();
    void watcherEnded(bool sound);
    void applyLiveValues(const ServerWatch::LiveValues& values);
    // Drops the watcher and what it said, for a new server or quit.
    void forgetWatcher();

    DefaultsStore defaults_;
    AppPlatform platform_;
    AppSettings settings_;
    std::vector<std::string> settingsProblems_;
    std::optional<std::string> binaryPath_;
    SettingsWriter settingsWriter_;
    std::optional<TmuxClient> client_;
    ServerIdentity serverIdentity_;
    TerminalList availableTerminals_;

    SessionList sessions_;
    bool serverRunning_ = false;
    std::string tmuxVersion_;
    std::string prefix_ = "C-b";
    OptionalText lastError_;
    bool refreshing_ = false;
    // Completions of the refresh that follows the running one, when one was asked for.
    std::optional<std::vector<Done>> pending_;
    std::uint64_t refreshesStarted_ = 0;
    bool refreshesFinished_ = false;  // one at least
    // A failed action's message survives the refreshes started up to this one.
    std::uint64_t keepErrorThrough_ = 0;

    // Bumped with every new client: results of an older one are not applied.
    std::uint64_t clientGeneration_ = 0;
    QTimer* timer_ = nullptr;
    SnapshotKeeper* snapshots_ = nullptr;
    ServerWatcher* watcher_ = nullptr;  // null when not asked for
    // The subscription's last value, for telling a changed shape from changed values.
    std::optional<ServerWatch::LiveValues> liveValues_;
    std::uint64_t liveValuesStamp_ = 0;  // refreshesStarted_ when they came
    std::string watchedSession_;  // as watchSession() was given it
    int watchFailures_ = 0;  // in a row
    std::chrono::steady_clock::time_point watchRetryAt_{};
    QTimer* watchRetry_ = nullptr;
    QThreadPool pool_;
};

}  // namespace quillon
