// Runs a program as a child process in a given working directory and waits for it.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace veltrane::testing {

// The child's exit code; on Linux a child killed by a signal gives 128 + the signal.
int RunChild(const std::filesystem::path& program, const std::vector<std::string>& args,
             const std::filesystem::path& working_directory);

// Ends the calling process at once, as a crash would: no unload notification, no exit
// handlers, no flushing of stdio buffers.
[[noreturn]] void KillSelf();

}  // namespace veltrane::testing
