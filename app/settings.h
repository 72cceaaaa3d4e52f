#pragma once
// The user's preferences: their types, stored keys and defaults, and how they are read
// from and written to the application's defaults document.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/pane_notice_settings.h"
#include "core/defaults_store.h"
#include "core/l10n.h"
#include "core/pane_classifier.h"
#include "core/terminal_app.h"

namespace quillon {

// Which tmux server the client addresses.
enum class TmuxSocketMode { default_, name, path };
// How the scanner watches tmux.
enum class ScannerMode { polling, controlMode };
enum class AppAppearance { system, light, dark };

std::string_view toRaw(TmuxSocketMode mode);
std::string_view toRaw(ScannerMode mode);
std::string_view toRaw(AppAppearance appearance);
std::optional<TmuxSocketMode> tmuxSocketModeFromRaw(std::string_view raw);
std::optional<ScannerMode> scannerModeFromRaw(std::string_view raw);
std::optional<AppAppearance> appAppearanceFromRaw(std::string_view raw);
const std::vector<TmuxSocketMode>& allTmuxSocketModes();
const std::vector<ScannerMode>& allScannerModes();
const std::vector<AppAppearance>& allAppAppearances();
// The Settings window's labels; the scanner ones exist in English only.
std::string label(TmuxSocketMode mode);
std::string label(ScannerMode mode);

// Global tmux options selecting the server: none, -L name or -S path ("~" expanded).
std::vector<std::string> socketArgs(TmuxSocketMode mode, std::string_view value);

// The stored keys, shared with quillon-mcp ("language").
namespace SettingsKey {
inline constexpr std::string_view preferredTerminal = "preferredTerminal";
inline constexpr std::string_view pollingInterval = "pollingInterval";
inline constexpr std::string_view socketMode = "socketMode";
inline constexpr std::string_view socketValue = "socketValue";
// The ssh destination the shown server runs on; empty for this machine.
inline constexpr std::string_view socketHost = "socketHost";
// The remote hosts (core/stored_hosts.h), shared with quillon-mcp.
inline constexpr std::string_view hosts = "hosts";
inline constexpr std::string_view scannerInterval = "scannerInterval";
inline constexpr std::string_view scannerMode = "scannerMode";
inline constexpr std::string_view notifyOnClose = "notifyOnClose";
inline constexpr std::string_view idleThresholdHours = "idleThresholdHours";
inline constexpr std::string_view autoCommandsEnabled = "autoCommandsEnabled";
inline constexpr std::string_view language = "language";
inline constexpr std::string_view appearance = "appearance";
inline constexpr std::string_view restartPrograms = "restartPrograms";
// Pane states: seconds of silence before a program is quiet, the notification switches
// ({"waitingForInput": true, …}) and the pause of notifications.
inline constexpr std::string_view silenceThreshold = "silenceThreshold";
inline constexpr std::string_view paneNotifications = "paneNotifications";
inline constexpr std::string_view doNotDisturbUntil = "doNotDisturbUntil";
}  // namespace SettingsKey

struct AppSettings {
    TerminalApp preferredTerminal = TerminalApp::terminal;
    double pollingInterval = 4.0;  // seconds
    TmuxSocketMode socketMode = TmuxSocketMode::default_;
    std::string socketValue;
    std::string socketHost;  // one ssh destination would misread reads as this machine
    std::vector<std::string> hosts;
    double scannerInterval = 1.0;  // seconds
    ScannerMode scannerMode = ScannerMode::polling;
    bool notifyOnClose = false;
    double idleThresholdHours = 24.0;
    bool autoCommandsEnabled = false;
    AppLanguage language = AppLanguage::system;
    AppAppearance appearance = AppAppearance::system;
    // Programs typed again into their panes on restore (by command name); empty by default.
    std::vector<std::string> restartPrograms;
    double silenceThreshold = silenceDefault;  // seconds, within silenceMinimum…silenceMaximum
    NoticeSwitches paneNotifications;
    DoNotDisturb doNotDisturb;

    bool operator==(const AppSettings&) const = default;

    // Missing, unknown or wrong-typed values read as their defaults; numbers are not clamped.
    // The stored terminal is resolved against the installed ones. The pane-state settings
    // also say what was wrong with them, a sentence each, in problems.
    static AppSettings load(const DefaultsStore& store, const std::vector<TerminalApp>& installed,
                            std::vector<std::string>* problems = nullptr);

    // The numbers as their users take them, whatever was stored: periods within 1 s (polling)
    // or 0.5 s / 5 s (scanner) and a day, NaN read as the lower bound.
    std::chrono::milliseconds pollingPeriod() const;
    std::chrono::milliseconds scannerPeriod() const;
    // idleThresholdHours when positive; otherwise (negative, zero, NaN) the default 24 h, so
    // a bad value never makes every detached session idle.
    std::chrono::duration<double> idleLimit() const;
    // The pane-state tracker's thresholds: the silence threshold, the 2 s waiting rule.
    AttentionThresholds attentionThresholds() const;
};

// The stored preference if installed, else the first installed terminal, else Terminal.
// A typed list of program names ("vim, htop tail") as names: split on commas and blanks,
// empties and repeats dropped, order kept.
std::vector<std::string> parseProgramList(std::string_view text);

TerminalApp resolveTerminal(std::optional<TerminalApp> stored, const std::vector<TerminalApp>& installed);
// What the Settings window offers: the installed terminals, or Terminal alone.
std::vector<TerminalApp> offeredTerminals(const std::vector<TerminalApp>& installed);

}  // namespace quillon
