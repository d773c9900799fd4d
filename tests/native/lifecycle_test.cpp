// Attach and detach of the library's two process-wide objects, driven in this process (the
// same steps DllMain and the ELF hooks run).
#include "frame/lifecycle.h"

#include <gtest/gtest.h>

#include "frame/globals.h"
#include "log/log.h"
#include "modem/modem_strings.h"
#include "test_paths.h"

namespace veltrane {
namespace {

TEST(Lifecycle, AttachCreatesBothObjectsOnceAndDetachReleasesThem) {
    const auto folder = testing::FreshFolder();
    std::filesystem::create_directories(folder / "log");
    const auto previous = std::filesystem::current_path();
    std::filesystem::current_path(folder);

    ASSERT_TRUE(ProcessAttach());
    LogStream* log = g_logStream;
    CModemStrings* profile = g_modemStrings;
    ASSERT_NE(log, nullptr);
    ASSERT_NE(profile, nullptr);
    WriteLog(u"Error 23\n");
    // A second attach (a second load in the same process) changes nothing.
    ASSERT_TRUE(ProcessAttach());
    EXPECT_EQ(g_logStream, log);
    EXPECT_EQ(g_modemStrings, profile);

    ProcessDetach();
    EXPECT_EQ(g_logStream, nullptr);
    EXPECT_EQ(g_modemStrings, nullptr);
    WriteLog(u"after detach\n");  // dropped, no crash
    std::filesystem::current_path(previous);
    EXPECT_EQ(testing::ReadFileBytes(testing::LogFileIn(folder)), "Error 23\r\n");
}

}  // namespace
}  // namespace veltrane
