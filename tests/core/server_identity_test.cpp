#include <gtest/gtest.h>

#include "core/server_identity.h"
#include "core/tmux_client.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

using Args = std::vector<std::string>;

TEST(ServerIdentity, SpellingsOfOneServerCompareEqual) {
    testing::TmuxSandbox sandbox;  // tmux's socket directory is the sandbox's
    const std::string inDirectory = sandbox.socketDirectory() + "//work";
    const struct {
        ServerIdentity a, b;
    } same[] = {
        {ServerIdentity::fromSocketArgs({}), ServerIdentity::named("default")},
        {ServerIdentity::fromSocketArgs({"-L", "work"}), ServerIdentity::fromSocketArgs({"-Lwork"})},
        {ServerIdentity::fromSocketArgs({"-S", inDirectory}), ServerIdentity::named("work")},
        {ServerIdentity::atPath("/tmp//x/./s"), ServerIdentity::atPath("/tmp/x/s")},
        {ServerIdentity::of(TmuxClient("tmux", {"-S", "/run/s"})), ServerIdentity::atPath("/run/s")},
    };
    for (const auto& [a, b] : same) {
        EXPECT_EQ(a, b) << a.socketText() << " / " << b.socketText();
        EXPECT_EQ(std::hash<ServerIdentity>{}(a), std::hash<ServerIdentity>{}(b));
        EXPECT_EQ(a.folder(), b.folder());
    }
}

TEST(ServerIdentity, HostAndSocketFormTellServersApart) {
    testing::TmuxSandbox sandbox;
    TmuxClient remote("tmux", {"-L", "work"});
    remote.host = "rhost";
    const ServerIdentity distinct[] = {
        ServerIdentity::named("work"),
        ServerIdentity::of(remote),
        ServerIdentity::named("work", "other"),
        // A path outside tmux's directory on another machine is not that machine's -L name.
        ServerIdentity::atPath(sandbox.socketDirectory() + "/work", "rhost"),
        ServerIdentity::atPath("/x"),
        ServerIdentity::named("%2Fx"),
        ServerIdentity::named("_x"),
    };
    for (std::size_t i = 0; i < std::size(distinct); ++i)
        for (std::size_t j = i + 1; j < std::size(distinct); ++j) {
            EXPECT_NE(distinct[i], distinct[j]) << i << " " << j;
            EXPECT_NE(distinct[i].folder(), distinct[j].folder()) << i << " " << j;
        }
}

TEST(ServerIdentity, FoldersKeepTheirOldNamesAndStayUnderTheRoot) {
    const struct {
        ServerIdentity identity;
        std::string folder;
    } cases[] = {
        {ServerIdentity{}, "default"},
        {ServerIdentity::named("work"), "work"},
        {ServerIdentity::named(".."), "%2E."},
        {ServerIdentity::atPath("/tmp/a%b"), "%2Ftmp%2Fa%25b"},
        {ServerIdentity::named("work", "rhost"), "%40rhost/work"},
        {ServerIdentity::named("x", "../.."), "%40%2E.%2F../x"},
        {ServerIdentity::atPath("/etc/passwd", "h"), "%40h/%2Fetc%2Fpasswd"},
        {ServerIdentity::named("%40h"), "%2540h"},
    };
    for (const auto& [identity, folder] : cases) {
        EXPECT_EQ(identity.folder().string(), folder);
        for (const auto& part : identity.folder()) EXPECT_TRUE(part != ".." && part != "." && part != "/") << folder;
    }
}

TEST(ServerIdentity, SocketArgumentsReachTheSameServer) {
    EXPECT_EQ(ServerIdentity{}.socketArgs(), (Args{"-L", "default"}));
    EXPECT_EQ(ServerIdentity::atPath("/run//s").socketArgs(), (Args{"-S", "/run/s"}));
    EXPECT_EQ(ServerIdentity::fromSocketArgs({"-S", ""}).socketArgs(), (Args{"-L", "default"}));
}

}  // namespace
}  // namespace quillon
