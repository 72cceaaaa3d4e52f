// Folders a restore starts panes in are looked for on the machine the server runs on, all in
// one run there, with that machine's home folder for the ones that are gone.
#include <gtest/gtest.h>

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "core/folder_check.h"
#include "core/tmux_error.h"
#include "tests/support/ssh_sandbox.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using testing::ScopedEnv;
using testing::SshSandbox;
using testing::TempDir;
using testing::TmuxSandbox;

std::size_t linesContaining(const fs::path& file, const std::string& needle) {
    std::ifstream in(file);
    std::size_t count = 0;
    for (std::string line; std::getline(in, line);) count += line.find(needle) != std::string::npos;
    return count;
}

// This process works in a folder of its own, so "/proc/self/cwd/only-here" exists here and
// nowhere a process on the other side of ssh (which starts in its account's home) looks.
struct WorkingDirectory {
    explicit WorkingDirectory(const fs::path& dir) : before(fs::current_path()) { fs::current_path(dir); }
    ~WorkingDirectory() { fs::current_path(before); }
    fs::path before;
};

TEST(FolderCheck, FoldersAreLookedForWhereTheServerRunsInOneRun) {
    if (!SshSandbox::available()) GTEST_SKIP() << "no sshd installed";
    TmuxSandbox sandbox;
    TempDir here("quillon-here"), far("quillon-far");
    SshSandbox ssh(far.str());
    // Every run of ssh, logged before it starts.
    const fs::path log = here.path() / "ssh.log";
    const fs::path wrapper = here.path() / "logging-ssh";
    std::ofstream(wrapper) << "#!/bin/sh\necho \"$*\" >> '" << log.string() << "'\nexec '" << ssh.wrapperPath()
                           << "' \"$@\"\n";
    ::chmod(wrapper.c_str(), 0700);
    ScopedEnv logging("QUILLON_SSH", wrapper.string());
    ScopedEnv home("HOME", here.str());  // this side's home; the other side keeps its account's

    const std::string quoted = (here.path() / "it's \"odd\" $HOME `x` ;\n").string();
    for (const std::string& dir : {here.str() + "/only-here", quoted}) fs::create_directories(dir);
    WorkingDirectory inside(here.path());
    const std::string onlyHere = "/proc/self/cwd/only-here", gone = here.str() + "/gone";
    const std::vector<std::string> folders{here.str(), onlyHere, gone, quoted};

    TmuxClient local = sandbox.client("x");
    const FolderCheck atHome = checkFolders(local, folders);
    EXPECT_EQ(atHome.existing, (std::set<std::string>{here.str(), onlyHere, quoted}));
    EXPECT_EQ(atHome.home, here.str());
    EXPECT_EQ(linesContaining(log, "quillon-folders"), 0u);

    TmuxClient remote = local;
    remote.host = SshSandbox::good;
    remote.timeout = 20s;
    const FolderCheck there = checkFolders(remote, folders);
    EXPECT_EQ(there.existing, (std::set<std::string>{here.str(), quoted}));
    EXPECT_EQ(there.home, ::getpwuid(::getuid())->pw_dir);
    EXPECT_EQ(linesContaining(log, "quillon-folders"), 1u);

    // A host that cannot be reached is a failure, never "every folder is gone".
    remote.host = SshSandbox::refusing;
    EXPECT_THROW(checkFolders(remote, folders), TmuxError);
}

}  // namespace
}  // namespace quillon
