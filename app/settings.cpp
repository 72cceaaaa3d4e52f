#include "app/settings.h"

#include <algorithm>
#include <array>

#include "core/paths.h"
#include "core/raw_value.h"
#include "core/ssh_transport.h"
#include "core/stored_hosts.h"
#include "core/text.h"

namespace quillon {
namespace {

template <class Enum, std::size_t N>
std::string_view rawIn(const std::array<std::pair<Enum, std::string_view>, N>& table, Enum value) {
    return table[static_cast<std::size_t>(value)].second;
}

template <class Enum, std::size_t N>
std::vector<Enum> casesOf(const std::array<std::pair<Enum, std::string_view>, N>& table) {
    std::vector<Enum> cases;
    for (const auto& entry : table) cases.push_back(entry.first);
    return cases;
}

constexpr std::array<std::pair<TmuxSocketMode, std::string_view>, 3> socketModes{{
    {TmuxSocketMode::default_, "default"}, {TmuxSocketMode::name, "name"}, {TmuxSocketMode::path, "path"}}};
constexpr std::array<std::pair<ScannerMode, std::string_view>, 2> scannerModes{{
    {ScannerMode::polling, "polling"}, {ScannerMode::controlMode, "controlMode"}}};
constexpr std::array<std::pair<AppAppearance, std::string_view>, 3> appearances{{
    {AppAppearance::system, "system"}, {AppAppearance::light, "light"}, {AppAppearance::dark, "dark"}}};

// The stored value when it is a string of the right shape; otherwise the fallback.
template <class Enum, class Parse>
Enum readEnum(const nlohmann::json& document, std::string_view key, Parse parse, Enum fallback) {
    auto it = document.find(key);
    if (it == document.end() || !it->is_string()) return fallback;
    return parse(it->template get_ref<const std::string&>()).value_or(fallback);
}

double readNumber(const nlohmann::json& document, std::string_view key, double fallback) {
    auto it = document.find(key);
    if (it == document.end() || !it->is_number()) return fallback;
    return it->get<double>();
}

bool readBool(const nlohmann::json& document, std::string_view key) {
    auto it = document.find(key);
    return it != document.end() && it->is_boolean() && it->get<bool>();
}

std::string readString(const nlohmann::json& document, std::string_view key) {
    auto it = document.find(key);
    if (it == document.end() || !it->is_string()) return {};
    return it->get<std::string>();
}

// Seconds within [low, a day] as a timer period; NaN reads as low.
std::chrono::milliseconds period(double seconds, double low) {
    constexpr double day = 24 * 3600;
    const double bounded = seconds >= low ? std::min(seconds, day) : low;
    return std::chrono::milliseconds(static_cast<std::int64_t>(bounded * 1000.0));
}

}  // namespace

std::chrono::milliseconds AppSettings::pollingPeriod() const { return period(pollingInterval, 1.0); }

std::chrono::milliseconds AppSettings::scannerPeriod() const {
    return period(scannerInterval, scannerMode == ScannerMode::controlMode ? 5.0 : 0.5);
}

std::chrono::duration<double> AppSettings::idleLimit() const {
    const double hours = idleThresholdHours > 0 ? idleThresholdHours : AppSettings{}.idleThresholdHours;
    return std::chrono::duration<double>(hours * 3600.0);
}

std::string_view toRaw(TmuxSocketMode mode) { return rawIn(socketModes, mode); }
std::string_view toRaw(ScannerMode mode) { return rawIn(scannerModes, mode); }
std::string_view toRaw(AppAppearance appearance) { return rawIn(appearances, appearance); }
std::optional<TmuxSocketMode> tmuxSocketModeFromRaw(std::string_view raw) {
    return caseFromRaw(allTmuxSocketModes(), raw);
}
std::optional<ScannerMode> scannerModeFromRaw(std::string_view raw) {
    return caseFromRaw(allScannerModes(), raw);
}
std::optional<AppAppearance> appAppearanceFromRaw(std::string_view raw) {
    return caseFromRaw(allAppAppearances(), raw);
}

const std::vector<TmuxSocketMode>& allTmuxSocketModes() {
    static const auto all = casesOf(socketModes);
    return all;
}
const std::vector<ScannerMode>& allScannerModes() {
    static const auto all = casesOf(scannerModes);
    return all;
}
const std::vector<AppAppearance>& allAppAppearances() {
    static const auto all = casesOf(appearances);
    return all;
}

std::string label(TmuxSocketMode mode) {
    switch (mode) {
    case TmuxSocketMode::default_: return L("Implicit", "Default");
    case TmuxSocketMode::name: return L("Nume (-L)", "Name (-L)");
    case TmuxSocketMode::path: return L("Cale (-S)", "Path (-S)");
    }
    return {};
}

std::string label(ScannerMode mode) {
    return mode == ScannerMode::polling ? "Polling (interval)" : "Control mode (push)";
}

std::vector<std::string> socketArgs(TmuxSocketMode mode, std::string_view value) {
    const std::string trimmed(text::trimBlanks(value));
    if (trimmed.empty() || mode == TmuxSocketMode::default_) return {};
    if (mode == TmuxSocketMode::name) return {"-L", trimmed};
    return {"-S", paths::expandTilde(trimmed)};
}

TerminalApp resolveTerminal(std::optional<TerminalApp> stored, const std::vector<TerminalApp>& installed) {
    const TerminalApp wanted = stored.value_or(TerminalApp::terminal);
    if (std::find(installed.begin(), installed.end(), wanted) != installed.end()) return wanted;
    return installed.empty() ? TerminalApp::terminal : installed.front();
}

std::vector<TerminalApp> offeredTerminals(const std::vector<TerminalApp>& installed) {
    if (installed.empty()) return {TerminalApp::terminal};
    return installed;
}

std::vector<std::string> parseProgramList(std::string_view text) {
    std::vector<std::string> names;
    std::string current;
    auto flush = [&] {
        if (!current.empty() && std::find(names.begin(), names.end(), current) == names.end()) names.push_back(current);
        current.clear();
    };
    for (char c : text) {
        if (c == ',' || c == ' ' || c == '\t' || c == '\n') flush();
        else current += c;
    }
    flush();
    return names;
}

AttentionThresholds AppSettings::attentionThresholds() const {
    AttentionThresholds thresholds;
    const double seconds = silenceAcceptable(silenceThreshold) ? silenceThreshold : silenceDefault;
    thresholds.silence = std::chrono::milliseconds(static_cast<std::int64_t>(seconds * 1000.0));
    return thresholds;
}

AppSettings AppSettings::load(const DefaultsStore& store, const std::vector<TerminalApp>& installed,
                              std::vector<std::string>* problems) {
    // One read of the document for all keys.
    const nlohmann::json document = store.document();
    namespace K = SettingsKey;
    AppSettings s;
    std::optional<TerminalApp> stored;
    if (auto it = document.find(K::preferredTerminal); it != document.end() && it->is_string())
        stored = terminalAppFromRaw(it->get_ref<const std::string&>());
    s.preferredTerminal = resolveTerminal(stored, installed);
    s.pollingInterval = readNumber(document, K::pollingInterval, s.pollingInterval);
    s.socketMode = readEnum(document, K::socketMode, tmuxSocketModeFromRaw, s.socketMode);
    s.socketValue = readString(document, K::socketValue);
    s.socketHost = readString(document, K::socketHost);
    if (SshTransport::destinationProblem(s.socketHost)) s.socketHost.clear();
    if (auto it = document.find(K::hosts); it != document.end()) s.hosts = StoredHosts::decode(*it);
    s.scannerInterval = readNumber(document, K::scannerInterval, s.scannerInterval);
    s.scannerMode = readEnum(document, K::scannerMode, scannerModeFromRaw, s.scannerMode);
    s.notifyOnClose = readBool(document, K::notifyOnClose);
    s.idleThresholdHours = readNumber(document, K::idleThresholdHours, s.idleThresholdHours);
    s.autoCommandsEnabled = readBool(document, K::autoCommandsEnabled);
    s.language = readEnum(document, K::language, appLanguageFromRaw, s.language);
    s.appearance = readEnum(document, K::appearance, appAppearanceFromRaw, s.appearance);
    if (auto it = document.find(K::restartPrograms); it != document.end() && it->is_array())
        for (const auto& name : *it)
            if (name.is_string() && !name.get_ref<const std::string&>().empty())
                s.restartPrograms.push_back(name.get<std::string>());
    std::vector<std::string> found;
    const auto value = [&](std::string_view key) {
        const auto it = document.find(key);
        return it == document.end() ? nlohmann::json() : *it;
    };
    s.silenceThreshold = decodeSilence(value(K::silenceThreshold), K::silenceThreshold, found);
    s.paneNotifications = decodeNoticeSwitches(value(K::paneNotifications), K::paneNotifications, found);
    s.doNotDisturb = decodeDoNotDisturb(value(K::doNotDisturbUntil), K::doNotDisturbUntil, found);
    if (problems) *problems = std::move(found);
    return s;
}

}  // namespace quillon
