// The modem discovery through the Windows registry API, measured side by side with plainly
// reading a registry file of the same tree. Run under Wine (or Windows) after importing the
// file with regedit, so that the walk goes through the platform's own registry:
//
//   regedit /S tree.reg
//   discovery_wine_bench [--repeat N] tree.reg
//
// Prints medians of N runs of the plain read of the file, of a whole discovery
// (CModemStrings on the machine's registry), and of loading and unloading the built
// VeltraneWin32DLL.dll beside this program (its attach runs the same discovery), and whether
// the modem was found.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "modem/modem_strings.h"

namespace {

using Clock = std::chrono::steady_clock;

struct Times {
    double wall_ms;
    double cpu_ms;
};

double ProcessCpuMs() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) {
        return ((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e4;
    };
    return ms(kernel) + ms(user);
}

template <typename F>
Times Median(int repeat, F&& run) {
    std::vector<double> wall, cpu;
    for (int i = 0; i < repeat; ++i) {
        const double cpu_start = ProcessCpuMs();
        const auto start = Clock::now();
        run();
        wall.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        cpu.push_back(ProcessCpuMs() - cpu_start);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(cpu.begin(), cpu.end());
    return {wall[wall.size() / 2], cpu[cpu.size() / 2]};
}

std::wstring LibraryBesideProgram() {
    wchar_t path[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L"\\/") + 1) + L"VeltraneWin32DLL.dll";
}

}  // namespace

int main(int argc, char** argv) {
    int repeat = 5;
    std::string file;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--repeat" && i + 1 < argc) {
            repeat = std::max(1, std::atoi(argv[++i]));
        } else {
            file = arg;
        }
    }
    if (file.empty()) {
        std::fprintf(stderr, "usage: discovery_wine_bench [--repeat N] FILE\n");
        return 2;
    }

    std::size_t bytes = 0;
    const Times read = Median(repeat, [&] {
        std::ifstream in(file, std::ios::binary);
        std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        bytes = content.size();
    });
    if (bytes == 0) {
        std::fprintf(stderr, "cannot read %s\n", file.c_str());
        return 1;
    }
    bool found = false;
    const Times discovery = Median(repeat, [&] {
        CModemStrings profile;
        found = !profile.FriendlyName.empty() && !profile.Init.empty();
    });

    const std::wstring library = LibraryBesideProgram();
    bool loaded = true;
    const Times load = Median(repeat, [&] {
        HMODULE module = LoadLibraryW(library.c_str());
        loaded = loaded && module != nullptr;
        if (module != nullptr) FreeLibrary(module);
    });

    std::printf("%s\n  file %.1f MB; modem found: %s; medians of %d runs\n", file.c_str(),
                bytes / 1e6, found ? "yes" : "no", repeat);
    std::printf("                     wall ms  x read    cpu ms  x read\n");
    std::printf("  read              %8.1f  %6.2f  %8.1f  %6.2f\n", read.wall_ms, 1.0, read.cpu_ms,
                1.0);
    std::printf("  discovery         %8.1f  %6.2f  %8.1f  %6.2f\n", discovery.wall_ms,
                discovery.wall_ms / read.wall_ms, discovery.cpu_ms,
                read.cpu_ms > 0 ? discovery.cpu_ms / read.cpu_ms : 0.0);
    if (loaded) {
        std::printf("  DLL load+unload   %8.1f  %6.2f  %8.1f  %6.2f\n", load.wall_ms,
                    load.wall_ms / read.wall_ms, load.cpu_ms,
                    read.cpu_ms > 0 ? load.cpu_ms / read.cpu_ms : 0.0);
    } else {
        std::printf("  DLL load: VeltraneWin32DLL.dll not found beside the program\n");
    }
    return found ? 0 : 1;
}
