// Attach and detach of the library's two process-wide objects, driven in this process
// (the same steps DllMain and the ELF hooks run), and in a child process killed while
// attached.
#include "frame/lifecycle.h"

#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "frame/globals.h"
#include "log/log.h"
#include "modem/modem_strings.h"
#include "test_paths.h"

namespace veltrane {
namespace {

using testing::FreshFolder;
using testing::HelperProgram;
using testing::LogFileIn;
using testing::ReadFileBytes;
using testing::RunChild;

TEST(Lifecycle, AttachCreatesBothObjectsOnceAndDetachReleasesThem) {
    auto folder = FreshFolder();
    std::filesystem::create_directories(folder / "log");
    auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);

    ASSERT_TRUE(ProcessAttach());
    LogStream* log = g_logStream;
    CModemStrings* profile = g_modemStrings;
    ASSERT_NE(log, nullptr);
    ASSERT_NE(profile, nullptr);
    EXPECT_TRUE(log->good());
    WriteLog(u"Error 23\n");

    // A second attach (a second load in the same process) changes nothing.
    ASSERT_TRUE(ProcessAttach());
    EXPECT_EQ(g_logStream, log);
    EXPECT_EQ(g_modemStrings, profile);
    EXPECT_EQ(ReadFileBytes(LogFileIn(folder)), "Error 23\r\n");

    ProcessDetach();
    EXPECT_EQ(g_logStream, nullptr);
    EXPECT_EQ(g_modemStrings, nullptr);
    WriteLog(u"after detach\n");  // dropped, no crash
    std::filesystem::current_path(previous);
    EXPECT_EQ(ReadFileBytes(LogFileIn(folder)), "Error 23\r\n");
}

TEST(Lifecycle, MessagesSurviveAProcessKilledWithoutDetach) {
    auto folder = FreshFolder();
    std::filesystem::create_directories(folder / "log");
    int code = RunChild(HelperProgram("log_child"), {"Error 25\\n", "Error 26\\n", "kill"}, folder);
    EXPECT_EQ(code, 137);
    EXPECT_EQ(ReadFileBytes(LogFileIn(folder)), "Error 25\r\nError 26\r\n");
}

}  // namespace
}  // namespace veltrane
