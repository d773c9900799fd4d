// The diagnostic log's bytes on disk and under contention; attach and detach of the two
// process-wide objects, as DllMain and the ELF hooks run them.
#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "frame/globals.h"
#include "frame/lifecycle.h"
#include "log/log.h"
#include "log/log_stream.h"
#include "modem/modem_strings.h"
#include "test_paths.h"

namespace veltrane {
namespace {

using testing::FreshFolder;
using testing::ReadFileBytes;

// Each row's messages in turn: the bytes on disk before the log is closed (a stopped log's
// once it is closed), and whether the log stays good.
TEST(LogStream, MessagesBecomeBytesOnDisk) {
    const struct {
        std::vector<std::u16string> messages;
        std::string bytes;
        bool good;
    } rows[] = {
        {{u"", u"Error 24\n"}, "Error 24\r\n", true},
        {{u"Error ", u"25\n"}, "Error 25\r\n", true},
        {{u"\u00e9\u00ff\u0001\n"}, "\xe9\xff\x01\r\n", true},
        // A character above FF stops the message and every later one.
        {{u"ab\u0100cd\n", u"Error 26\n"}, "ab", false},
    };
    for (const auto& row : rows) {
        const std::string path = (FreshFolder() / "VeltraneDll.log").string();
        LogStream log;
        log.Open(path.c_str());
        for (const auto& message : row.messages) log.Write(message);
        if (!row.good) log.Close();
        EXPECT_EQ(ReadFileBytes(path), row.bytes);
        EXPECT_EQ(log.good(), row.good) << row.bytes;
    }
}

TEST(LogStream, WholeMessagesFromEightThreadsNeverInterleave) {
    const std::string path = (FreshFolder() / "VeltraneDll.log").string();
    LogStream log;
    log.Open(path.c_str());
    std::vector<std::thread> threads;
    for (char16_t t = 0; t < 8; ++t) {
        // Longer than the log's 256-byte piece: without the lock, pieces interleave.
        threads.emplace_back([&log, t] {
            for (int i = 0; i < 500; ++i) log.Write(std::u16string(600, u'A' + t) + u'\n');
        });
    }
    for (auto& thread : threads) thread.join();
    log.Close();
    const std::string bytes = ReadFileBytes(path);
    ASSERT_EQ(bytes.size(), 8u * 500 * 602);
    for (std::size_t at = 0; at < bytes.size(); at += 602)
        ASSERT_EQ(bytes.substr(at, 602), std::string(600, bytes[at]) + "\r\n") << at;
}

TEST(Lifecycle, AttachCreatesBothObjectsOnceAndDetachReleasesThem) {
    const auto folder = FreshFolder();
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
    EXPECT_EQ(ReadFileBytes(testing::LogFileIn(folder)), "Error 23\r\n");
}

}  // namespace
}  // namespace veltrane
