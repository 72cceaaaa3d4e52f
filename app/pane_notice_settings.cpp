#include "app/pane_notice_settings.h"

#include <cmath>

#include "core/l10n.h"
#include "core/raw_value.h"

namespace quillon {
namespace {

constexpr std::string_view untilTurnedOffRaw = "untilTurnedOff";

// A key as each language quotes it.
std::string ro(std::string_view key) { return "„" + std::string(key) + "”"; }
std::string en(std::string_view key) { return "\"" + std::string(key) + "\""; }

}  // namespace

std::string_view toRaw(NoticeKind kind) {
    switch (kind) {
    case NoticeKind::waitingForInput: return "waitingForInput";
    case NoticeKind::finished: return "finished";
    case NoticeKind::bell: return "bell";
    case NoticeKind::quiet: return "quiet";
    case NoticeKind::exitedWithError: return "exitedWithError";
    }
    return {};
}

std::optional<NoticeKind> noticeKindFromRaw(std::string_view raw) { return caseFromRaw(allNoticeKinds(), raw); }

const std::vector<NoticeKind>& allNoticeKinds() {
    static const std::vector<NoticeKind> all{NoticeKind::waitingForInput, NoticeKind::finished, NoticeKind::bell,
                                             NoticeKind::quiet, NoticeKind::exitedWithError};
    return all;
}

std::string label(NoticeKind kind) {
    switch (kind) {
    case NoticeKind::waitingForInput: return label(PaneState::waitingForInput);
    case NoticeKind::finished: return label(PaneState::finished);
    case NoticeKind::bell: return L("Clopoțel", "Bell");
    case NoticeKind::quiet: return label(PaneState::quiet);
    case NoticeKind::exitedWithError: return L("Ieșit cu eroare", "Exited with an error");
    }
    return {};
}

std::optional<NoticeKind> noticeKindOf(Urgency urgency) {
    switch (urgency) {
    case Urgency::waiting: return NoticeKind::waitingForInput;
    case Urgency::failed: return NoticeKind::exitedWithError;
    case Urgency::bell: return NoticeKind::bell;
    case Urgency::finished: return NoticeKind::finished;
    case Urgency::quiet: return NoticeKind::quiet;
    case Urgency::running:
    case Urgency::idle:
    case Urgency::unknown: return std::nullopt;
    }
    return std::nullopt;
}

Notice noticeOf(const PaneStatus& status) {
    const Urgency level = urgency(status);
    return {noticeKindOf(level), level == Urgency::bell && status.bellAt ? *status.bellAt : status.since};
}

bool isNews(const Notice& now, const std::optional<Notice>& before) {
    if (!now.kind) return false;
    if (!before || before->kind != now.kind) return true;
    const bool dated = *now.kind != NoticeKind::waitingForInput && *now.kind != NoticeKind::quiet;
    return dated && before->at != now.at;
}

const std::vector<std::optional<std::chrono::minutes>>& doNotDisturbChoices() {
    using std::chrono::minutes;
    static const std::vector<std::optional<minutes>> choices{minutes(30), minutes(60), minutes(240), std::nullopt};
    return choices;
}

std::string doNotDisturbChoiceLabel(const std::optional<std::chrono::minutes>& length) {
    if (!length) return L("Până îl opresc", "Until turned off");
    if (length->count() < 60) return std::to_string(length->count()) + " min";
    const auto hours = length->count() / 60;
    if (hours == 1) return L("1 oră", "1 hour");
    return std::to_string(hours) + L(" ore", " hours");
}

bool silenceAcceptable(double seconds) {
    return std::isfinite(seconds) && seconds >= silenceMinimum && seconds <= silenceMaximum;
}

nlohmann::json encode(const NoticeSwitches& switches) {
    nlohmann::json object = nlohmann::json::object();
    for (NoticeKind kind : allNoticeKinds()) object[std::string(toRaw(kind))] = switches.enabled(kind);
    return object;
}

NoticeSwitches decodeNoticeSwitches(const nlohmann::json& value, std::string_view key,
                                    std::vector<std::string>& problems) {
    NoticeSwitches switches;
    if (value.is_null()) return switches;
    const auto wrong = [&](const std::string& where) {
        problems.push_back(L("Setarea " + ro(where) + " nu e un comutator (stare: true/false); se folosește "
                                 "valoarea implicită.",
                             "The setting " + en(where) + " is not a switch (state: true/false); the default "
                                 "is used."));
    };
    if (!value.is_object()) {
        wrong(std::string(key));
        return switches;
    }
    // Each switch on its own: one bad entry costs only itself.
    for (const auto& [raw, on] : value.items()) {
        const auto kind = noticeKindFromRaw(raw);
        if (kind && on.is_boolean()) switches.set(*kind, on.get<bool>());
        else wrong(std::string(key) + "." + raw);
    }
    return switches;
}

nlohmann::json encode(const DoNotDisturb& pause) {
    if (pause.untilTurnedOff) return untilTurnedOffRaw;
    if (!pause.until) return nullptr;
    return std::chrono::duration_cast<std::chrono::seconds>(pause.until->time_since_epoch()).count();
}

DoNotDisturb decodeDoNotDisturb(const nlohmann::json& value, std::string_view key, std::vector<std::string>& problems) {
    if (value.is_null()) return {};
    if (value.is_string() && value.get_ref<const std::string&>() == untilTurnedOffRaw) return {.untilTurnedOff = true};
    if (value.is_number()) {
        const double seconds = value.get<double>();
        // Past the year 9999 is no time a person chose.
        if (std::isfinite(seconds) && seconds >= 0 && seconds < 253402300800.0)
            return {.until = TimePoint(std::chrono::seconds(static_cast<std::int64_t>(seconds)))};
    }
    problems.push_back(L("Setarea " + ro(key) + " nu e nici o oră, nici „untilTurnedOff”; „Nu deranja” e oprit.",
                         "The setting " + en(key) + " is neither a time nor \"untilTurnedOff\"; Do not disturb "
                         "is off."));
    return {};
}

double decodeSilence(const nlohmann::json& value, std::string_view key, std::vector<std::string>& problems) {
    if (value.is_null()) return silenceDefault;
    if (value.is_number() && silenceAcceptable(value.get<double>())) return value.get<double>();
    problems.push_back(L("Setarea " + ro(key) + " nu e un număr de secunde între 5 și 3600; se folosește 30.",
                         "The setting " + en(key) + " is not a number of seconds from 5 to 3600; 30 is used."));
    return silenceDefault;
}

}  // namespace quillon
