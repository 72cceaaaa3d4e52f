#include "core/defaults_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <functional>
#include <sstream>

#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string read(const fs::path& path) {
    std::ifstream file(path);
    std::stringstream s;
    s << file.rdbuf();
    return s.str();
}

std::vector<fs::path> entries(const fs::path& dir) {
    std::vector<fs::path> out;
    for (auto& entry : fs::directory_iterator(dir)) out.push_back(entry.path());
    std::sort(out.begin(), out.end());
    return out;
}

TEST(DefaultsStore, DocumentPathFollowsXdg) {
    EXPECT_EQ(DefaultsStore::documentPath("d", {{"XDG_CONFIG_HOME", "/x"}, {"HOME", "/h"}}), "/x/quillon/d.json");
    EXPECT_EQ(DefaultsStore::documentPath("d", {{"HOME", "/h"}}), "/h/.config/quillon/d.json");
    EXPECT_EQ(DefaultsStore::documentPath("d", {{"XDG_CONFIG_HOME", "relative"}, {"HOME", "/h"}}),
              "/h/.config/quillon/d.json");
}

TEST(DefaultsStore, RoundTripKeepsOtherKeysAndLeavesNoTempFiles) {
    TempDir dir;
    DefaultsStore store(dir.path() / "quillon" / "app.json");
    EXPECT_FALSE(store.value("missing"));
    store.set("language", "ro");
    store.set("pollingInterval", 2.5);
    store.set("notifyOnClose", true);
    store.set("scanRules", nlohmann::json::array({{{"name", "r"}}}));
    DefaultsStore other(store.path());  // a second handle sees the same document
    EXPECT_EQ(other.string("language"), "ro");
    EXPECT_EQ(other.number("pollingInterval"), 2.5);
    EXPECT_EQ(other.boolean("notifyOnClose"), true);
    EXPECT_FALSE(other.string("pollingInterval"));  // wrong type reads as no value
    EXPECT_EQ(other.value("scanRules")->at(0).at("name"), "r");
    other.remove("language");
    EXPECT_FALSE(store.string("language"));
    EXPECT_EQ(entries(dir.path() / "quillon"), std::vector<fs::path>{store.path()});
}

TEST(DefaultsStore, ACorruptDocumentIsKeptAsideBeforeAnyWrite) {
    TempDir dir;
    const fs::path path = dir.path() / "app.json";
    std::ofstream(path) << "{\"language\": \"ro\", broken";
    DefaultsStore store(path);
    EXPECT_FALSE(store.string("language"));
    EXPECT_EQ(store.document(), nlohmann::json::object());
    EXPECT_EQ(read(path), "{\"language\": \"ro\", broken");  // reading never rewrites

    store.set("language", "en");
    auto files = entries(dir.path());
    ASSERT_EQ(files.size(), 2u);
    const fs::path aside = files[0] == path ? files[1] : files[0];
    EXPECT_NE(aside.filename().string().find("app.json.corrupt-"), std::string::npos);
    EXPECT_EQ(read(aside), "{\"language\": \"ro\", broken");
    EXPECT_EQ(store.string("language"), "en");
}

TEST(DefaultsStore, ANonObjectDocumentCountsAsCorrupt) {
    TempDir dir;
    const fs::path path = dir.path() / "app.json";
    std::ofstream(path) << "[1, 2]";
    DefaultsStore store(path);
    store.set("k", 1);
    EXPECT_EQ(entries(dir.path()).size(), 2u);
    EXPECT_EQ(store.number("k"), 1);
}

TEST(DefaultsStore, KeepCopyAsideLeavesTheDocumentInPlace) {
    TempDir dir;
    DefaultsStore store(dir.path() / "app.json");
    EXPECT_FALSE(store.keepCopyAside());
    store.set("sessionTemplates", "garbage");
    auto copy = store.keepCopyAside();
    ASSERT_TRUE(copy);
    EXPECT_EQ(read(*copy), read(store.path()));
    EXPECT_EQ(store.string("sessionTemplates"), "garbage");
}

// Runs check in a child as an unprivileged user (root reads any file); true when it passed.
bool passesUnprivileged(const fs::path& dir, const std::function<bool()>& check) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::geteuid() == 0 && (::chown(dir.c_str(), 65534, 65534) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0))
            ::_exit(2);
        ::_exit(check() ? 0 : 1);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

bool writeFailsNamingThePath(DefaultsStore& store) {
    try {
        store.set("language", "en");
    } catch (const std::system_error& error) {
        return std::string(error.what()).find(store.path().string()) != std::string::npos;
    }
    return false;
}

TEST(DefaultsStore, AnUnreadableDocumentIsNeverReplaced) {
    TempDir dir;
    // A directory where the document should be: it exists, but reads fail.
    DefaultsStore blocked(dir.path() / "blocked.json");
    fs::create_directories(blocked.path() / "inside");
    EXPECT_TRUE(writeFailsNamingThePath(blocked));
    EXPECT_TRUE(fs::is_directory(blocked.path() / "inside"));
    EXPECT_EQ(entries(dir.path()).size(), 1u);
    // A document we may not read.
    EXPECT_TRUE(passesUnprivileged(dir.path(), [&] {
        const fs::path path = dir.path() / "private.json";
        std::ofstream(path) << R"({"language": "ro"})";
        ::chmod(path.c_str(), 0);
        DefaultsStore store(path);
        const bool refused = writeFailsNamingThePath(store) && !store.string("language");
        ::chmod(path.c_str(), 0600);
        return refused && read(path) == R"({"language": "ro"})" && entries(dir.path()).size() == 2;
    }));
}

TEST(DefaultsStore, ALinkedDocumentIsWrittenThroughItsLink) {
    TempDir dir;
    const fs::path dotfiles = dir.path() / "dotfiles";
    const fs::path config = dir.path() / "config";
    fs::create_directories(dotfiles);
    fs::create_directories(config);
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
    EXPECT_EQ(store.string("language"), "en");

    // A dangling link gets its target.
    fs::create_symlink(dotfiles / "fresh.json", config / "fresh.json");
    DefaultsStore(config / "fresh.json").set("k", 1);
    EXPECT_TRUE(fs::is_symlink(config / "fresh.json"));
    EXPECT_EQ(DefaultsStore(dotfiles / "fresh.json").number("k"), 1);
}

TEST(DefaultsStore, AFailedWriteLeavesThePreviousDocument) {
    TempDir dir;
    EXPECT_TRUE(passesUnprivileged(dir.path(), [&] {
        DefaultsStore store(dir.path() / "app.json");
        store.set("language", "ro");
        ::chmod(dir.str().c_str(), 0500);
        bool failed = false;
        try {
            store.set("language", "en");
        } catch (const std::system_error&) {
            failed = true;
        }
        ::chmod(dir.str().c_str(), 0700);
        return failed && store.string("language") == "ro";
    }));
}

}  // namespace
}  // namespace quillon
