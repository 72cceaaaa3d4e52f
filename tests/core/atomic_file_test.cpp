#include "core/atomic_file.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "tests/support/tmux_sandbox.h"

namespace quillon {
namespace {

namespace fs = std::filesystem;
using testing::TempDir;

std::string read(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream s;
    s << file.rdbuf();
    return s.str();
}

TEST(AtomicFile, ReplacesTheWholeFileAndLeavesNothingBeside) {
    TempDir dir;
    const fs::path path = dir.path() / "out.log";
    std::ofstream(path) << "an older and much longer text that must not survive\n";
    const std::string bytes("line 1\n\0binary\xff\n", 16);
    writeFileAtomically(path, bytes);
    EXPECT_EQ(read(path), bytes);
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(AtomicFile, AFailedWriteNamesThePathAndLeavesEverythingAsItWas) {
    TempDir dir;
    // A directory where the file should go: the rename is refused after the data was written.
    const fs::path occupied = dir.path() / "taken.log";
    fs::create_directory(occupied);
    std::ofstream(occupied / "inside") << "kept";
    for (const fs::path& path : {occupied, dir.path() / "missing" / "x.log"}) {
        try {
            writeFileAtomically(path, "new");
            ADD_FAILURE() << "no error for " << path;
        } catch (const std::system_error& error) {
            EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos) << error.what();
        }
    }
    EXPECT_EQ(read(occupied / "inside"), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

}  // namespace
}  // namespace quillon
