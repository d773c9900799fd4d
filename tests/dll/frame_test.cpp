// The frame as the loader drives it: the real DllMain or ELF hooks of the built binary.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <string>

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

// Inside exit() the unload hook runs while other threads may be inside a native method
// (native code is not stopped): whatever they read must still be there. Under the
// sanitizer build a read of freed memory leaves a report; Windows ends the other threads
// before its detach, so there is nothing to show there.
TEST(Frame, ExitWhileThreadsAreInsideNativeMethods) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows ends the other threads before the detach";
#else
    // A long Init list keeps each g401 reading the profile for a while.
    auto folder = FreshFolder();
    const auto registry = folder / "long-init.reg";
    {
        std::ofstream reg(registry, std::ios::binary);
        reg << "REGEDIT4\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\MODEM\\0000]\r\n"
               "\"Class\"=\"Modem\"\r\n"
               "\"Driver\"=\"{4d36e96d-e325-11ce-bfc1-08002be10318}\\\\0000\"\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\"
               "{4d36e96d-e325-11ce-bfc1-08002be10318}\\0000\\Init]\r\n";
        for (int i = 0; i < 2000; ++i) reg << "\"" << i << "\"=\"AT#CLS=8\"\r\n";
    }
    std::filesystem::create_directories(folder / "log");
    for (int run = 0; run < 40; ++run) {
        ASSERT_EQ(RunChild(HelperProgram("library_child"),
                           {"exit-while-calling", registry.string()}, folder),
                  0)
            << "run " << run;
    }
#endif
}

}  // namespace
}  // namespace veltrane
