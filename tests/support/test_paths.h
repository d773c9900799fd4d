// Where test programs find what they need: the folder of the running program (the built
// library and the helper program lie beside it), a fresh scratch folder per test, and the
// data under tests/fixtures.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace veltrane::testing {

std::filesystem::path ProgramFolder();

// An empty folder under the working directory, named after the running test.
std::filesystem::path FreshFolder(const std::string& tag = "");

std::string ReadFileBytes(const std::filesystem::path& path);

// A helper program built beside the running test ("library_child" gives
// library_child.exe on Windows).
std::filesystem::path HelperProgram(const std::string& name);

// Where the library keeps its log when attached with `folder` as working directory.
std::filesystem::path LogFileIn(const std::filesystem::path& folder);

// A file of tests/fixtures, by its path below that folder.
std::filesystem::path Fixture(const std::string& relative);

// The tab-separated rows of a fixture, without blank lines and '#' comments.
std::vector<std::vector<std::string>> FixtureRows(const std::string& relative);

}  // namespace veltrane::testing
