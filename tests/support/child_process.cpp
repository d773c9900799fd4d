#include "child_process.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <cstdlib>

namespace veltrane::testing {

#ifdef _WIN32

int RunChild(const std::filesystem::path& program, const std::vector<std::string>& args,
             const std::filesystem::path& working_directory) {
    std::wstring command = L"\"" + program.wstring() + L"\"";
    for (const auto& arg : args) {
        command += L" \"" + std::filesystem::path(arg).wstring() + L"\"";
    }
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.wstring().c_str(), command.data(), nullptr, nullptr, FALSE, 0,
                        nullptr, working_directory.wstring().c_str(), &startup, &process)) {
        return -1;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

void KillSelf() {
    TerminateProcess(GetCurrentProcess(), 137);
    std::abort();
}

#else

int RunChild(const std::filesystem::path& program, const std::vector<std::string>& args,
             const std::filesystem::path& working_directory) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addchdir_np(&actions, working_directory.c_str());
    std::vector<std::string> argv_strings{program.string()};
    argv_strings.insert(argv_strings.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& s : argv_strings) argv.push_back(s.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) return -1;
    int status = 0;
    waitpid(pid, &status, 0);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return WEXITSTATUS(status);
}

void KillSelf() {
    kill(getpid(), SIGKILL);
    std::abort();
}

#endif

}  // namespace veltrane::testing
