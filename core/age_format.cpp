#include "core/age_format.h"

#include <chrono>
#include <cstdio>
#include <ctime>

#include "core/l10n.h"

namespace quillon::AgeFormat {

std::string absolute(const std::optional<TimePoint>& date) {
    if (!date) return L("necunoscut", "unknown");
    const std::time_t seconds = Clock::to_time_t(
        std::chrono::floor<std::chrono::seconds>(*date));
    std::tm local{};
    if (!localtime_r(&seconds, &local)) return L("necunoscut", "unknown");
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02d-%02d %02d:%02d:%02d", local.tm_year + 1900,
                  local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec);
    return buffer;
}

namespace {

// Whole seconds from date to now; duration_cast truncates towards zero, so half a second
// ahead still reads 0.
long long secondsSince(TimePoint date, TimePoint now) {
    return std::chrono::duration_cast<std::chrono::seconds>(now - date).count();
}

}  // namespace

std::string relative(const std::optional<TimePoint>& date, TimePoint now) {
    if (!date) return L("necunoscut", "unknown");
    const long long s = secondsSince(*date, now);
    if (s < 0) return L("în viitor", "in the future");
    if (s <= 59) return std::to_string(s) + "s";
    if (s <= 3599) return std::to_string(s / 60) + "m";
    if (s <= 86399) return std::to_string(s / 3600) + "h " + std::to_string((s / 60) % 60) + "m";
    const std::string days = std::to_string(s / 86400);
    const std::string hours = std::to_string((s / 3600) % 24) + "h";
    return L(days + "z " + hours, days + "d " + hours);
}

std::string ago(const std::optional<TimePoint>& date, TimePoint now) {
    const std::string age = relative(date, now);
    if (!date || secondsSince(*date, now) < 0) return age;
    return L("acum " + age, age + " ago");
}

}  // namespace quillon::AgeFormat
