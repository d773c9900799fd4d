// The frame as the loader drives it: the real DllMain or ELF hooks of the built binary.
#include <gtest/gtest.h>

#include "child_process.h"
#include "test_paths.h"

namespace veltrane {
namespace {

using testing::FreshFolder;
using testing::HelperProgram;
using testing::LogFileIn;
using testing::ReadFileBytes;
using testing::RunChild;

TEST(Frame, LoadEmptiesTheLogOfTheLastRun) {
    auto folder = FreshFolder();
    std::filesystem::create_directories(folder / "log");
    ASSERT_EQ(RunChild(HelperProgram("library_child"), {"append", "old run", "load"}, folder), 0);
    EXPECT_TRUE(std::filesystem::exists(LogFileIn(folder)));
    EXPECT_EQ(ReadFileBytes(LogFileIn(folder)), "");
}

TEST(Frame, SecondLoadInOneProcessNeitherReopensNorEmptiesTheLog) {
    auto folder = FreshFolder();
    std::filesystem::create_directories(folder / "log");
    // Text appended between the two loads would be lost if the second load attached again.
    ASSERT_EQ(RunChild(HelperProgram("library_child"),
                       {"load", "append", "kept", "load", "unload", "unload"}, folder),
              0);
    EXPECT_EQ(ReadFileBytes(LogFileIn(folder)), "kept");
}

TEST(Frame, LoadsWithoutALogFolderAndCreatesNoFile) {
    auto folder = FreshFolder();
    ASSERT_EQ(RunChild(HelperProgram("library_child"), {"load", "unload"}, folder), 0);
    EXPECT_FALSE(std::filesystem::exists(folder / "log"));
}

TEST(Frame, LoadAndUnloadAfterAProcessKilledWhileLoaded) {
    auto folder = FreshFolder();
    std::filesystem::create_directories(folder / "log");
    EXPECT_EQ(RunChild(HelperProgram("library_child"), {"load", "kill"}, folder), 137);
    EXPECT_EQ(RunChild(HelperProgram("library_child"), {"load", "append", "x", "unload"}, folder),
              0);
    EXPECT_EQ(ReadFileBytes(LogFileIn(folder)), "x");
}

}  // namespace
}  // namespace veltrane
