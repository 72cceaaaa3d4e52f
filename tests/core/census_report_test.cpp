// The texts an agent reads: ages and dates, and every report, rendered from one fixed fleet at a
// fixed time in UTC and compared with golden/<report>.<language>.txt (QUILLON_UPDATE_GOLDEN=1
// rewrites them).
#include "core/census_report.h"

#include <gtest/gtest.h>

#include <ctime>
#include <fstream>
#include <sstream>

#include "core/age_format.h"
#include "core/l10n.h"
#include "core/text.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;

const TimePoint now = fromEpochSeconds(1'700'000'000);  // 2023-11-14 22:13:20 UTC

TmuxServer server(std::optional<std::string> name, ServerLiveness liveness, std::vector<TmuxSession> sessions = {},
                  std::optional<std::string> diagnostic = std::nullopt) {
    return {name, "/run/tmux-1/" + name.value_or("x"), liveness, std::move(sessions), diagnostic,
            fromEpochSeconds(1'699'999'000)};
}

struct Fleet {
    Fleet() {
        for (const char* dir : {"/shop/.git", "/shop/web", "/lib/.git", "/plain"})
            std::filesystem::create_directories(root.str() + dir);
        const std::string web = root.str() + "/shop/web";
        TmuxWindow editor{0, "editor", true, 2, {}, "", "web:0"};
        editor.panes = {{0, true, "vim", 101, 80, 24, web, "web:0.0"},
                        {1, false, "sh", 102, 79, 24, root.str() + "/lib", "web:0.1"}};
        const TmuxPane tail{0, true, "tail", 103, 120, 40, root.str() + "/plain", "web:1.0"};
        TmuxWindow logs{1, "logs", false, 1, {tail}, "", "web:1"};
        attached = {"web", "$4", now - 2h - 5min, true, 2, now - 90s, web, {editor, logs}};
        idle = {"idle", "$5", now - 59s, false, 0, std::nullopt, "/nowhere/in/particular", {}};
        const TmuxSession api{"api", "$7", now - 3 * 24h - 5h, false, 1, now - 24h, root.str() + "/lib/src", {}};
        TmuxServer byPath = server(std::nullopt, ServerLiveness::alive, {api}, "");
        byPath.socketPath = "/elsewhere/sock";
        byPath.socketModified.reset();
        // An unknown server's sessions are neither shown nor counted.
        TmuxServer folder = server(std::nullopt, ServerLiveness::notSocket);
        folder.socketPath = "/home/u/projects";
        dead = {server("b-dead", ServerLiveness::stale, {}, "no server running on /run/tmux-1/b-dead"),
                server("c-odd", ServerLiveness::unknown, {attached}, "tmux exit 3, no message"), folder};
        all = {dead[0], server("a-live", ServerLiveness::alive, {attached, idle}),
               server("c-odd", ServerLiveness::unknown, {}, "tmux did not answer within 10 s"), byPath};
    }

    // Each report with the cases it must render, in the current language.
    std::vector<std::pair<std::string, std::vector<std::string>>> reports() const {
        using CensusReport::noProjectMatch, CensusReport::projectMatches;
        return {
            {"census",
             {CensusReport::overview(all, "/run/tmux-1", "tmux 3.3a", now),
              CensusReport::overview({}, "/tmp/tmux-7", std::nullopt, now),
              CensusReport::overview(dead, "/s", std::nullopt, now)}},
            {"servers", {CensusReport::serverList(all, "/run/tmux-1", now), CensusReport::serverList({}, "/d", now)}},
            {"windows",
             {CensusReport::sessionWindows(attached, L("socketul 'a-live'", "socket 'a-live'")),
              CensusReport::sessionWindows(idle, "/elsewhere/sock")}},
            {"find_project",
             {projectMatches(ProjectCorrelator::sessions("shop", all), "shop", now),
              projectMatches(ProjectCorrelator::sessions("IDLE", all), "IDLE", now),
              noProjectMatch(all, "nothing", "/run/tmux-1"), noProjectMatch(dead, "x", "/s")}},
        };
    }

    testing::TempDir root{"quillon-census"};
    const std::string path = root.str();
    TmuxSession attached, idle;
    std::vector<TmuxServer> dead, all;
};

void expectGolden(const std::string& name, std::string text, const std::string& root) {
    for (std::size_t at; (at = text.find(root)) != std::string::npos;) text.replace(at, root.size(), "{root}");
    const std::filesystem::path file = std::filesystem::path(QUILLON_GOLDEN_DIR) / (name + ".txt");
    if (std::getenv("QUILLON_UPDATE_GOLDEN")) std::ofstream(file) << text;
    std::stringstream golden;
    golden << std::ifstream(file).rdbuf();
    EXPECT_EQ(text, golden.str()) << file;
}

TEST(AgeFormat, RelativeAgesTruncateAndStepThroughUnits) {
    const TimePoint now = fromEpochSeconds(1'700'000'000);
    const struct {
        double ago;
        const char* en;
        const char* ro;
    } cases[] = {{0, "0s", "0s"},          {59.9, "59s", "59s"},         {60, "1m", "1m"},
                 {3599, "59m", "59m"},     {3600, "1h 0m", "1h 0m"},     {3661, "1h 1m", "1h 1m"},
                 {86399, "23h 59m", "23h 59m"}, {86400, "1d 0h", "1z 0h"}, {3 * 86400 + 5 * 3600, "3d 5h", "3z 5h"},
                 {-0.5, "0s", "0s"},       {-1, "in the future", "în viitor"}};
    for (const auto& c : cases) {
        const TimePoint then = now - std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(c.ago));
        const bool future = std::string(c.en) == "in the future";
        L10n::setLanguage(AppLanguage::en);
        EXPECT_EQ(AgeFormat::relative(then, now), c.en) << c.ago;
        EXPECT_EQ(AgeFormat::ago(then, now), future ? c.en : std::string(c.en) + " ago") << c.ago;
        L10n::setLanguage(AppLanguage::ro);
        EXPECT_EQ(AgeFormat::relative(then, now), c.ro) << c.ago;
        EXPECT_EQ(AgeFormat::ago(then, now), future ? c.ro : "acum " + std::string(c.ro)) << c.ago;
    }
    EXPECT_EQ(AgeFormat::relative(std::nullopt, now), "necunoscut");
    EXPECT_EQ(AgeFormat::absolute(std::nullopt), "necunoscut");
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(AgeFormat::relative(std::nullopt, now), "unknown");
    EXPECT_EQ(AgeFormat::absolute(std::nullopt), "unknown");
}

TEST(AgeFormat, AbsoluteIsLocalTimeWithoutFractionOrZone) {
    for (const auto& [zone, expected] : {std::pair{"UTC", "2023-11-14 22:13:20"}, {"EET-2", "2023-11-15 00:13:20"}}) {
        testing::ScopedEnv tz("TZ", zone);
        tzset();
        EXPECT_EQ(AgeFormat::absolute(fromEpochSeconds(1'700'000'000.75)), expected);
    }
    tzset();
}

TEST(CensusReport, EveryReportReadsAsItsGoldenTextInBothLanguages) {
    const Fleet fleet;
    {
        testing::ScopedEnv zone("TZ", "UTC");
        tzset();
        for (AppLanguage language : {AppLanguage::en, AppLanguage::ro}) {
            L10n::setLanguage(language);
            for (const auto& [report, cases] : fleet.reports())
                expectGolden(report + "." + std::string(toRaw(language)), text::join(cases, "\n~~~~\n"), fleet.path);
        }
    }
    tzset();
}

}  // namespace
}  // namespace quillon
