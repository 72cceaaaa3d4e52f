#include "core/census_report.h"

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>

#include "core/l10n.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using namespace std::chrono_literals;

const TimePoint now = fromEpochSeconds(1'700'000'000);  // 2023-11-14 22:13:20 UTC

class CensusReportTest : public ::testing::Test {
protected:
    CensusReportTest() { tzset(); }
    ~CensusReportTest() override {
        zone.reset();
        tzset();
    }

    TmuxSession session(const std::string& name, std::int64_t windows, std::optional<TimePoint> lastAttached,
                        const std::string& path = "/nowhere/in/particular") {
        return TmuxSession{name, "$4", now - 2h - 5min, false, windows, lastAttached, path, {}};
    }
    static TmuxServer server(std::optional<std::string> name, ServerLiveness liveness, std::vector<TmuxSession> sessions = {},
                             std::optional<std::string> diagnostic = std::nullopt) {
        return TmuxServer{name, "/run/tmux-1/" + name.value_or("x"), liveness, std::move(sessions), diagnostic,
                          fromEpochSeconds(1'699'999'000)};
    }

    std::optional<testing::ScopedEnv> zone{std::in_place, "TZ", "UTC"};
};

TEST_F(CensusReportTest, SymbolsAndLabels) {
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(CensusReport::symbol(ServerLiveness::alive), "●");
    EXPECT_EQ(CensusReport::symbol(ServerLiveness::stale), "✕");
    EXPECT_EQ(CensusReport::symbol(ServerLiveness::unknown), "?");
    EXPECT_EQ(CensusReport::label(ServerLiveness::stale), "DEAD (socket left on disk)");
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(CensusReport::label(ServerLiveness::alive), "VIU");
    EXPECT_EQ(CensusReport::label(ServerLiveness::stale), "MORT (socket rămas pe disc)");
    EXPECT_EQ(CensusReport::label(ServerLiveness::unknown), "NECUNOSCUT");
}

TEST_F(CensusReportTest, SessionLinesCarryAttachmentWindowsAgesAndProject) {
    testing::TempDir root("quillon-census");
    std::filesystem::create_directories(root.str() + "/shop/.git");
    std::filesystem::create_directories(root.str() + "/shop/web");
    TmuxSession attached = session("web", 1, now - 90s, root.str() + "/shop/web");
    attached.isAttached = true;

    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(CensusReport::sessionLine(attached, now),
              "    · web [$4] — attached · 1 window · created 2h 5m ago · last attached 1m ago\n"
              "      shop · " + root.str() + "/shop/web\n");
    EXPECT_EQ(CensusReport::sessionLine(session("idle", 0, std::nullopt), now),
              "    · idle [$4] — detached · 0 windows · created 2h 5m ago · never attached\n"
              "      unknown project · /nowhere/in/particular\n");

    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(CensusReport::sessionLine(attached, now),
              "    · web [$4] — atașată · 1 fereastră · creată acum 2h 5m · ultima atașare acum 1m\n"
              "      shop · " + root.str() + "/shop/web\n");
    EXPECT_EQ(CensusReport::sessionLine(session("idle", 3, std::nullopt), now),
              "    · idle [$4] — neatașată · 3 ferestre · creată acum 2h 5m · niciodată atașată\n"
              "      proiect necunoscut · /nowhere/in/particular\n");
}

TEST_F(CensusReportTest, ServerBlocksShowTheVerdictAndWhatCouldNotBeRead) {
    L10n::setLanguage(AppLanguage::en);
    const TmuxServer stuck = server("stuck", ServerLiveness::unknown, {}, "tmux exit 3, no message");
    EXPECT_EQ(CensusReport::serverBlock(stuck, now, true),
              "? stuck — UNKNOWN\n"
              "    socket: /run/tmux-1/stuck · last touched: 2023-11-14 21:56:40\n"
              "    reason: tmux exit 3, no message\n"
              "    sessions: unknown (could not read)\n");
    EXPECT_EQ(CensusReport::serverBlock(stuck, now, false),
              "? stuck — UNKNOWN\n"
              "    socket: /run/tmux-1/stuck · last touched: 2023-11-14 21:56:40\n"
              "    reason: tmux exit 3, no message\n");

    TmuxServer byPath = server(std::nullopt, ServerLiveness::alive);
    byPath.socketModified.reset();
    byPath.diagnostic = "";
    EXPECT_EQ(CensusReport::serverBlock(byPath, now, true),
              "● /run/tmux-1/x — ALIVE\n    socket: /run/tmux-1/x · last touched: unknown\n");

    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(CensusReport::serverBlock(server("old", ServerLiveness::stale, {}, "no server running on /run/tmux-1/old"),
                                        now, true),
              "✕ old — MORT (socket rămas pe disc)\n"
              "    socket: /run/tmux-1/old · atins ultima dată: 2023-11-14 21:56:40\n"
              "    motiv: no server running on /run/tmux-1/old\n"
              "    nicio sesiune — serverul nu mai rulează\n");
}

TEST_F(CensusReportTest, OverviewWithoutSocketsEndsWithTheCaveat) {
    L10n::setLanguage(AppLanguage::en);
    EXPECT_EQ(CensusReport::overview({}, "/tmp/tmux-7", std::nullopt, now),
              "tmux servers — 2023-11-14 22:13:20\n"
              "tmux: unknown · socket directory: /tmp/tmux-7\n"
              "\nNo tmux socket in /tmp/tmux-7.\n" +
                  TmuxServerScanner::enumerationCaveat("/tmp/tmux-7") + "\n");
    L10n::setLanguage(AppLanguage::ro);
    EXPECT_EQ(CensusReport::overview({}, "/d", "tmux 3.4", now),
              "Servere tmux — 2023-11-14 22:13:20\ntmux: tmux 3.4 · director socket-uri: /d\n\nNiciun socket tmux în /d.\n" +
                  TmuxServerScanner::enumerationCaveat("/d") + "\n");
}

TEST_F(CensusReportTest, OverviewCountsByVerdictButKeepsScanOrder) {
    L10n::setLanguage(AppLanguage::en);
    const std::vector<TmuxServer> servers{
        server("b-dead", ServerLiveness::stale),
        server("a-live", ServerLiveness::alive, {session("one", 1, std::nullopt), session("two", 2, std::nullopt)}),
        server("c-odd", ServerLiveness::unknown, {}, "why"),
        server("d-live", ServerLiveness::alive, {session("three", 1, std::nullopt)}),
    };
    const std::string report = CensusReport::overview(servers, "/s", "tmux 3.3a", now);
    const std::string expected =
        "tmux servers — 2023-11-14 22:13:20\n"
        "tmux: tmux 3.3a · socket directory: /s\n"
        "\n4 socket(s) on disk · 2 alive · 1 dead · 1 unknown · 3 live session(s)\n" +
        ("\n" + CensusReport::serverBlock(servers[0], now, true)) + "\n" + CensusReport::serverBlock(servers[1], now, true) +
        "\n" + CensusReport::serverBlock(servers[2], now, true) + "\n" + CensusReport::serverBlock(servers[3], now, true) +
        "\n" + TmuxServerScanner::enumerationCaveat("/s") + "\n";
    EXPECT_EQ(report, expected);

    L10n::setLanguage(AppLanguage::ro);
    const std::string ro = CensusReport::overview(servers, "/s", "tmux 3.3a", now);
    EXPECT_NE(ro.find("\n4 socket(uri) pe disc · 2 server(e) viu/vii · 1 mort/moarte · 1 necunoscut(e) · 3 sesiune/sesiuni "
                      "vie/vii\n"),
              std::string::npos)
        << ro;
}

TEST_F(CensusReportTest, WithoutLiveSessionsTheReportExplainsThatSocketsAreNoProof) {
    // An unknown server's sessions are not counted, so it does not change the verdict.
    const std::vector<TmuxServer> servers{server("gone", ServerLiveness::stale),
                                          server("odd", ServerLiveness::unknown, {session("ghost", 1, std::nullopt)})};
    L10n::setLanguage(AppLanguage::en);
    const std::string en = CensusReport::overview(servers, "/s", std::nullopt, now);
    EXPECT_NE(en.find("\n2 socket(s) on disk · 0 alive · 1 dead · 1 unknown · 0 live session(s)\n"), std::string::npos);
    const std::string tail = TmuxServerScanner::enumerationCaveat("/s") +
                             "\nA socket file survives its server: \"socket exists\" does not mean \"sessions exist\".\n";
    EXPECT_EQ(en.substr(en.size() - tail.size()), tail);
    EXPECT_EQ(en.find("ghost"), std::string::npos);

    L10n::setLanguage(AppLanguage::ro);
    const std::string ro = CensusReport::overview(servers, "/s", std::nullopt, now);
    const std::string roTail = "\nUn fișier-socket rămâne pe disc după ce serverul moare: „există socket” nu înseamnă "
                               "„există sesiuni”.\n";
    EXPECT_EQ(ro.substr(ro.size() - roTail.size()), roTail);
    EXPECT_NE(ro.find("tmux: necunoscut · "), std::string::npos);
}

}  // namespace
}  // namespace quillon
