#include "core/defaults_store.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <fstream>
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

TEST(DefaultsStore, AFailedWriteLeavesThePreviousDocument) {
    if (::geteuid() == 0) GTEST_SKIP() << "root ignores directory permissions";
    TempDir dir;
    DefaultsStore store(dir.path() / "app.json");
    store.set("language", "ro");
    ::chmod(dir.str().c_str(), 0500);
    EXPECT_THROW(store.set("language", "en"), std::system_error);
    ::chmod(dir.str().c_str(), 0700);
    EXPECT_EQ(store.string("language"), "ro");
}

}  // namespace
}  // namespace quillon
