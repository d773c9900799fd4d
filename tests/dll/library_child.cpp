// Helper process for the library tests: runs its arguments in order in its working
// directory. "load" opens the built library once more, "unload" closes the last one
// opened, "append TEXT" appends TEXT to log/VeltraneDll.log behind the library's back,
// "kill" ends the process at once without any unload.
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "child_process.h"
#include "loaded_library.h"

int main(int argc, char** argv) {
    using veltrane::testing::LoadedLibrary;
    std::vector<std::unique_ptr<LoadedLibrary>> opened;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "load") {
            opened.push_back(std::make_unique<LoadedLibrary>(veltrane::testing::BuiltLibrary()));
            if (!opened.back()->loaded()) return 3;
        } else if (arg == "unload" && !opened.empty()) {
            opened.pop_back();
        } else if (arg == "append" && i + 1 < argc) {
            std::ofstream(std::filesystem::path("log") / "VeltraneDll.log", std::ios::app)
                << argv[++i];
        } else if (arg == "kill") {
            veltrane::testing::KillSelf();
        } else {
            return 4;
        }
    }
    return 0;
}
