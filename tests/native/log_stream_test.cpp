// The diagnostic log's bytes on disk and its behaviour under failure and contention.
#include "log/log_stream.h"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

#include "test_paths.h"

namespace veltrane {
namespace {

using testing::FreshFolder;
using testing::ReadFileBytes;

class LogStreamTest : public ::testing::Test {
  protected:
    void SetUp() override { path_ = (FreshFolder() / "VeltraneDll.log").string(); }
    std::string Bytes() { return ReadFileBytes(path_); }
    std::string path_;
};

TEST_F(LogStreamTest, LineFeedBecomesCrLfAndNothingIsAdded) {
    LogStream log;
    log.Open(path_.c_str());
    log.Write(u"Error 23\n");
    EXPECT_EQ(Bytes(), std::string("Error 23\r\n"));  // on disk before Close
    log.Close();
    EXPECT_EQ(Bytes().size(), 10u);
}

TEST_F(LogStreamTest, EmptyMessageWritesNothingAndKeepsTheStreamGood) {
    LogStream log;
    log.Open(path_.c_str());
    log.Write(u"");
    EXPECT_TRUE(log.good());
    log.Write(u"Error 24\n");
    log.Close();
    EXPECT_EQ(Bytes(), "Error 24\r\n");
}

TEST_F(LogStreamTest, MessageWithoutLineFeedIsContinuedByTheNext) {
    LogStream log;
    log.Open(path_.c_str());
    log.Write(u"Error ");
    log.Write(u"25\n");
    log.Close();
    EXPECT_EQ(Bytes(), "Error 25\r\n");
}

TEST_F(LogStreamTest, LatinOneCharactersAreOneByteEach) {
    LogStream log;
    log.Open(path_.c_str());
    log.Write(u"\u00e9\u00ff\u0001\n");
    log.Close();
    EXPECT_EQ(Bytes(), std::string("\xe9\xff\x01\r\n"));
}

TEST_F(LogStreamTest, CharacterAboveFFStopsTheMessageAndEveryLaterOne) {
    LogStream log;
    log.Open(path_.c_str());
    log.Write(u"ab\u0100cd\n");
    EXPECT_FALSE(log.good());
    log.Write(u"Error 26\n");
    log.Close();
    EXPECT_EQ(Bytes(), "ab");
}

TEST_F(LogStreamTest, FailedOpenIsSilentAndDropsEveryMessage) {
    LogStream log;
    std::string missing = (FreshFolder() / "no-such-folder" / "VeltraneDll.log").string();
    log.Open(missing.c_str());
    EXPECT_FALSE(log.good());
    log.Write(u"Error 22\n");
    log.Close();
    EXPECT_FALSE(std::filesystem::exists(missing));
}

TEST_F(LogStreamTest, OpeningEmptiesAnEarlierFile) {
    {
        LogStream first;
        first.Open(path_.c_str());
        first.Write(u"old run\n");
    }
    LogStream second;
    second.Open(path_.c_str());
    EXPECT_EQ(Bytes(), "");
    second.Write(u"new\n");
    second.Close();
    EXPECT_EQ(Bytes(), "new\r\n");
}

TEST_F(LogStreamTest, WholeMessagesFromEightThreadsNeverInterleave) {
    constexpr int kThreads = 8;
    constexpr int kPerThread = 500;
    LogStream log;
    log.Open(path_.c_str());
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&log, t] {
            // Long messages make a torn write likely if the lock did not cover them whole.
            std::u16string message(200, static_cast<char16_t>(u'A' + t));
            message += u'\n';
            for (int i = 0; i < kPerThread; ++i) log.Write(message);
        });
    }
    for (auto& thread : threads) thread.join();
    log.Close();

    std::string bytes = Bytes();
    std::vector<int> counts(kThreads, 0);
    std::size_t start = 0;
    int lines = 0;
    while (start < bytes.size()) {
        std::size_t end = bytes.find("\r\n", start);
        ASSERT_NE(end, std::string::npos);
        std::string line = bytes.substr(start, end - start);
        ASSERT_EQ(line.size(), 200u);
        ASSERT_EQ(line.find_first_not_of(line[0]), std::string::npos) << "torn line " << lines;
        ++counts[line[0] - 'A'];
        ++lines;
        start = end + 2;
    }
    for (int count : counts) EXPECT_EQ(count, kPerThread);
}

}  // namespace
}  // namespace veltrane
