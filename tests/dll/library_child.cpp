// Helper process for the library tests: runs its arguments in order in its working
// directory. "load" opens the built library once more, "unload" closes the last one
// opened, "append TEXT" appends TEXT to log/VeltraneDll.log behind the library's back,
// "kill" ends the process at once without any unload, "exit-while-calling REGISTRY"
// loads the library on that registry file, sets four threads calling the profile queries
// and the catalogue in a loop, and calls exit() while they run (Linux).
#include <jni.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "fake_jni.h"
#include "loaded_library.h"
#include "test_paths.h"

#ifndef _WIN32
namespace {

[[noreturn]] void ExitWhileCalling(const char* registry) {
    using veltrane::testing::NativeExportName;
    setenv("VELTRANE_REGISTRY", registry, 1);
    // A local of a function that never returns is never destroyed, so the library is not
    // closed: exit() itself runs its unload hook while the threads are inside it.
    const veltrane::testing::LoadedLibrary library(veltrane::testing::BuiltLibrary());
    const veltrane::testing::LoadedLibrary linger(veltrane::testing::ProgramFolder() /
                                                  "libexit_linger.so");
    using IntToArray = jobjectArray(JNICALL*)(JNIEnv*, jclass, jint);
    using IntToString = jstring(JNICALL*)(JNIEnv*, jclass, jint);
    const auto g401 = library.Function<IntToArray>(
        NativeExportName("Java_com_quorindel_veltrane_E_B_D_g401", 12));
    const auto g402 = library.Function<IntToString>(
        NativeExportName("Java_com_quorindel_veltrane_E_B_D_g402", 12));
    const auto g103 =
        library.Function<IntToString>(NativeExportName("Java_com_quorindel_veltrane_D_A_g103", 12));
    if (!linger.loaded() || g401 == nullptr || g402 == nullptr || g103 == nullptr) std::exit(3);
    for (int t = 0; t < 4; ++t) {
        std::thread([=] {
            veltrane::testing::FakeJvm vm;
            for (;;) {
                for (jint code = 1; code <= 35; ++code) {
                    g401(vm.env(), nullptr, code);
                    g402(vm.env(), nullptr, code);
                    g103(vm.env(), nullptr, code % 9);
                    vm.ResetRecord();
                }
            }
        }).detach();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::exit(0);
}

}  // namespace
#endif

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
#ifndef _WIN32
        } else if (arg == "exit-while-calling" && i + 1 < argc) {
            ExitWhileCalling(argv[i + 1]);
#endif
        } else if (arg == "kill") {
            veltrane::testing::KillSelf();
        } else {
            return 4;
        }
    }
    return 0;
}
