// A fresh scratch folder per test, the log's place, and the data under tests/fixtures.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace veltrane::testing {

// An empty folder under the working directory, named after the running test.
std::filesystem::path FreshFolder(const std::string& tag = "");

std::string ReadFileBytes(const std::filesystem::path& path);

// Where the library keeps its log when attached with `folder` as working directory.
std::filesystem::path LogFileIn(const std::filesystem::path& folder);

// A file of tests/fixtures, by its path below that folder.
std::filesystem::path Fixture(const std::string& relative);

// The tab-separated rows of a fixture, without blank lines and '#' comments.
std::vector<std::vector<std::string>> FixtureRows(const std::string& relative);

}  // namespace veltrane::testing
