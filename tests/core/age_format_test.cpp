#include "core/age_format.h"

#include <gtest/gtest.h>

#include <ctime>

#include "core/l10n.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;

const TimePoint now = fromEpochSeconds(1'700'000'000);

std::string age(std::chrono::duration<double> ago) {
    return AgeFormat::relative(now - std::chrono::duration_cast<Clock::duration>(ago), now);
}

TEST(AgeFormat, RelativeAgesTruncateAndStepThroughUnits) {
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(age(0s), "0s");
    EXPECT_EQ(age(59.9s), "59s");
    EXPECT_EQ(age(60s), "1m");
    EXPECT_EQ(age(3599s), "59m");
    EXPECT_EQ(age(3600s), "1h 0m");
    EXPECT_EQ(age(3600s + 61s), "1h 1m");
    EXPECT_EQ(age(86399s), "23h 59m");
    EXPECT_EQ(age(86400s), "1d 0h");
    EXPECT_EQ(age(3 * 86400s + 5 * 3600s + 59min), "3d 5h");
    EXPECT_EQ(age(-0.5s), "0s");
    EXPECT_EQ(age(-1s), "in the future");
    EXPECT_EQ(age(-2s), "in the future");
    EXPECT_EQ(AgeFormat::relative(std::nullopt, now), "unknown");
}

TEST(AgeFormat, RomanianDiffersInDaysFutureAndUnknown) {
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(age(86400s), "1z 0h");
    EXPECT_EQ(age(3600s), "1h 0m");
    EXPECT_EQ(age(-2s), "în viitor");
    EXPECT_EQ(AgeFormat::relative(std::nullopt, now), "necunoscut");
    EXPECT_EQ(AgeFormat::absolute(std::nullopt), "necunoscut");
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(AgeFormat::absolute(std::nullopt), "unknown");
}

TEST(AgeFormat, AbsoluteIsLocalTimeWithoutFractionOrZone) {
    testing::ScopedEnv zone("TZ", "UTC");
    tzset();
    EXPECT_EQ(AgeFormat::absolute(fromEpochSeconds(0)), "1970-01-01 00:00:00");
    EXPECT_EQ(AgeFormat::absolute(fromEpochSeconds(1'700'000'000.75)), "2023-11-14 22:13:20");
    {
        testing::ScopedEnv bucharest("TZ", "EET-2");
        tzset();
        EXPECT_EQ(AgeFormat::absolute(fromEpochSeconds(1'700'000'000)), "2023-11-15 00:13:20");
    }
    tzset();
}

}  // namespace
}  // namespace quillon
