#include "test_paths.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace veltrane::testing {

std::filesystem::path FreshFolder(const std::string& tag) {
    const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
    auto folder = std::filesystem::current_path() / "scratch" /
                  (std::string(test->test_suite_name()) + "." + test->name() + tag);
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    return folder;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::filesystem::path LogFileIn(const std::filesystem::path& folder) {
    return folder / "log" / "VeltraneDll.log";
}

std::filesystem::path Fixture(const std::string& relative) {
    return std::filesystem::path(VELTRANE_FIXTURE_ROOT) / relative;
}

std::vector<std::vector<std::string>> FixtureRows(const std::string& relative) {
    std::ifstream in(Fixture(relative), std::ios::binary);
    EXPECT_TRUE(in.good()) << relative;
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        auto& row = rows.emplace_back();
        for (std::size_t start = 0, tab = 0; tab != std::string::npos; start = tab + 1) {
            tab = line.find('\t', start);
            row.push_back(line.substr(start, tab - start));
        }
    }
    return rows;
}

}  // namespace veltrane::testing
