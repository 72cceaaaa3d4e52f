// Files the user keeps: replaced atomically, and the defaults documents written that way.
#include "core/atomic_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "core/defaults_store.h"
#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string read(const fs::path& path) { return (std::stringstream() << std::ifstream(path).rdbuf()).str(); }

std::vector<fs::path> entries(const fs::path& dir) {
    std::vector<fs::path> out(fs::directory_iterator(dir), fs::directory_iterator{});
    std::sort(out.begin(), out.end());
    return out;
}

// Runs check in a child as an unprivileged user (root reads any file); true when it passed.
bool passesUnprivileged(const fs::path& dir, const std::function<bool()>& check) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const bool dropped = ::chown(dir.c_str(), 65534, 65534) == 0 && ::setgid(65534) == 0 && ::setuid(65534) == 0;
        if (::geteuid() == 0 && !dropped) ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// True when action throws a system error whose text names path.
bool failsNaming(const fs::path& path, const std::function<void()>& action) {
    try {
        action();
    } catch (const std::system_error& error) {
        return std::string(error.what()).find(path.string()) != std::string::npos;
    }
    return false;
}


TEST(AtomicFile, ReplacesTheFileWholeWithoutEverWritingIntoIt) {
    TempDir dir;
    const fs::path path = dir.path() / "out.log";
    const std::string old = "an older and much longer text that must not survive\n";
    std::ofstream(path) << old;
    // A second name of the old file, like a reader that opened it: it keeps the old text.
    fs::create_hard_link(path, dir.path() / "reader");
    const std::string bytes("line 1\n\0binary\xff\n", 16);
    writeFileAtomically(path, bytes);
    EXPECT_EQ(read(path), bytes);
    EXPECT_EQ(read(dir.path() / "reader"), old);
    EXPECT_EQ(entries(dir.path()).size(), 2u);
}

TEST(AtomicFile, AReplacedFileKeepsItsModeAndOwnerAndANewOneGetsTheDefault) {
    TempDir dir;
    const mode_t mask = ::umask(022);
    for (const mode_t mode : {0600, 0640, 0755, 0444}) {
        const fs::path path = dir.path() / ("kept-" + std::to_string(mode));
        std::ofstream(path) << "old";
        fs::permissions(path, fs::perms(mode));
        writeFileAtomically(path, "new");
        struct stat after {};
        ASSERT_EQ(::stat(path.c_str(), &after), 0);
        EXPECT_EQ(after.st_mode & 07777, mode) << path;
        EXPECT_EQ(read(path), "new");
    }
    const fs::path fresh = dir.path() / "fresh";
    writeFileAtomically(fresh, "new");
    struct stat created {};
    ASSERT_EQ(::stat(fresh.c_str(), &created), 0);
    EXPECT_EQ(created.st_mode & 07777, 0644u);
    ::umask(mask);
    // Root may keep another user's file theirs; anyone else keeps their own.
    const fs::path theirs = dir.path() / "theirs";
    std::ofstream(theirs) << "old";
    const uid_t owner = ::geteuid() == 0 ? 65534 : ::geteuid();
    ASSERT_EQ(::chown(theirs.c_str(), owner, owner == 65534 ? 65534 : ::getegid()), 0);
    writeFileAtomically(theirs, "new");
    struct stat replaced {};
    ASSERT_EQ(::stat(theirs.c_str(), &replaced), 0);
    EXPECT_EQ(replaced.st_uid, owner);
}

TEST(AtomicFile, AFailedWriteNamesThePathAndLeavesEverythingAsItWas) {
    TempDir dir;
    // A directory where the file should go: the rename is refused after the data was written.
    const fs::path occupied = dir.path() / "taken.log";
    fs::create_directory(occupied);
    std::ofstream(occupied / "inside") << "kept";
    for (const fs::path& path : {occupied, dir.path() / "missing" / "x.log"})
        EXPECT_TRUE(failsNaming(path, [&] { writeFileAtomically(path, "new"); })) << path;
    EXPECT_EQ(read(occupied / "inside"), "kept");
    EXPECT_EQ(entries(dir.path()).size(), 1u);
}

TEST(DefaultsStore, WritesOneKeyOfItsXdgDocumentKeepingTheOthersPrivatelyAndLeavesNoTemporaryFile) {
    EXPECT_EQ(DefaultsStore::documentPath("d", {{"XDG_CONFIG_HOME", "/x"}, {"HOME", "/h"}}), "/x/quillon/d.json");
    EXPECT_EQ(DefaultsStore::documentPath("d", {{"HOME", "/h"}}), "/h/.config/quillon/d.json");
    EXPECT_EQ(DefaultsStore::documentPath("d", {{"XDG_CONFIG_HOME", "."}, {"HOME", "/h"}}), "/h/.config/quillon/d.json");
    TempDir dir;
    DefaultsStore store(dir.path() / "quillon" / "app.json");
    EXPECT_FALSE(store.value("missing"));
    store.set("language", "ro");
    store.set("pollingInterval", 2.5);
    store.set("notifyOnClose", true);
    DefaultsStore other(store.path());  // a second handle sees the same document
    EXPECT_EQ(other.string("language"), "ro");
    EXPECT_EQ(other.number("pollingInterval"), 2.5);
    EXPECT_EQ(other.boolean("notifyOnClose"), true);
    EXPECT_FALSE(other.string("pollingInterval") || other.number("language"));  // a wrong type reads as no value
    other.remove("language");
    EXPECT_EQ(store.document(), nlohmann::json({{"pollingInterval", 2.5}, {"notifyOnClose", true}}));
    EXPECT_EQ(entries(dir.path() / "quillon"), std::vector<fs::path>{store.path()});
    EXPECT_EQ(fs::status(store.path()).permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);
}

TEST(DefaultsStore, ADocumentThatDoesNotParseIsKeptAsideBeforeAnyWrite) {
    for (const std::string broken : {"{\"language\": \"ro\", broken", "[1, 2]"}) {
        TempDir dir;
        const fs::path path = dir.path() / "app.json";
        std::ofstream(path) << broken;
        DefaultsStore store(path);
        EXPECT_EQ(store.document(), nlohmann::json::object());
        EXPECT_EQ(read(path), broken);  // reading never rewrites
        store.set("language", "en");
        const auto files = entries(dir.path());
        ASSERT_EQ(files.size(), 2u) << broken;
        EXPECT_EQ(files[1].filename().string().rfind("app.json.corrupt-", 0), 0u);
        EXPECT_EQ(read(files[1]), broken);
        EXPECT_EQ(store.document(), nlohmann::json({{"language", "en"}}));
    }
    // A value a caller cannot decode: a copy is kept, the document stays.
    TempDir dir;
    DefaultsStore store(dir.path() / "app.json");
    EXPECT_FALSE(store.keepCopyAside());
    store.set("sessionTemplates", "garbage");
    const auto copy = store.keepCopyAside();
    ASSERT_TRUE(copy);
    EXPECT_EQ(read(*copy), read(store.path()));
    EXPECT_EQ(store.string("sessionTemplates"), "garbage");
}

TEST(DefaultsStore, ADocumentThatCannotBeReadOrReplacedStaysAsItWas) {
    TempDir dir;
    // A directory where the document should be: it exists, but reads fail.
    DefaultsStore blocked(dir.path() / "blocked.json");
    fs::create_directories(blocked.path() / "inside");
    EXPECT_TRUE(failsNaming(blocked.path(), [&] { blocked.set("k", 1); }));
    EXPECT_TRUE(fs::is_directory(blocked.path() / "inside"));
    EXPECT_EQ(entries(dir.path()).size(), 1u);
    EXPECT_TRUE(passesUnprivileged(dir.path(), [&] {
        // One we may not read…
        const fs::path path = dir.path() / "private.json";
        std::ofstream(path) << R"({"language": "ro"})";
        ::chmod(path.c_str(), 0);
        DefaultsStore store(path);
        const bool refused = failsNaming(path, [&] { store.set("k", 1); }) && !store.string("language");
        ::chmod(path.c_str(), 0600);
        // …and one in a directory we may not write to, although the file itself is writable.
        DefaultsStore writable(dir.path() / "app.json");
        writable.set("language", "ro");
        ::chmod(dir.str().c_str(), 0500);
        const bool kept = failsNaming(writable.path(), [&] { writable.set("language", "en"); }) &&
                          writable.string("language") == "ro";
        ::chmod(dir.str().c_str(), 0700);
        return refused && kept && read(path) == R"({"language": "ro"})" && entries(dir.path()).size() == 3;
    }));
}

TEST(DefaultsStore, ALinkedDocumentIsWrittenThroughItsLink) {
    TempDir dir;
    const fs::path dotfiles = dir.path() / "dotfiles", config = dir.path() / "config";
    for (const auto& made : {dotfiles, config}) fs::create_directories(made);
    std::ofstream(dotfiles / "quillon.json") << R"({"language": "ro"})";
    fs::create_symlink("../dotfiles/quillon.json", config / "app.json");
    DefaultsStore store(config / "app.json");
    store.set("pollingInterval", 2);
    EXPECT_TRUE(fs::is_symlink(store.path()));
    EXPECT_EQ(DefaultsStore(dotfiles / "quillon.json").number("pollingInterval"), 2);
    EXPECT_EQ(store.string("language"), "ro");
    EXPECT_EQ(entries(config).size(), 1u);
    EXPECT_EQ(entries(dotfiles).size(), 1u);
    // A corrupt target is kept aside next to itself; the link stays.
    std::ofstream(dotfiles / "quillon.json") << "broken";
    store.set("language", "en");
    EXPECT_TRUE(fs::is_symlink(store.path()));
    EXPECT_EQ(entries(dotfiles).size(), 2u);
    // A dangling link gets its target.
    fs::create_symlink(dotfiles / "fresh.json", config / "fresh.json");
    DefaultsStore(config / "fresh.json").set("k", 1);
    EXPECT_TRUE(fs::is_symlink(config / "fresh.json"));
    EXPECT_EQ(DefaultsStore(dotfiles / "fresh.json").number("k"), 1);
}

}  // namespace
}  // namespace quillon
