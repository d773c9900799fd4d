// Helper process for the library tests: runs its arguments in order in its working
// directory. "load" opens the built library once more, "unload" closes the last one opened,
// "append TEXT" appends TEXT to log/VeltraneDll.log behind the library's back, "kill" ends
// the process at once without any unload, "profile FILE" writes what g401 and g402 give for
// every code (1 to 35) to FILE, "credentials N" appends N answers each of g201 and g202 to
// results.txt, and "exit-while-calling" sets four threads calling the profile queries and
// the catalogue in a loop and calls exit() while they run (Linux).
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

namespace {

using veltrane::testing::FakeJvm;
using veltrane::testing::LoadedLibrary;
using IntToArray = jobjectArray(JNICALL*)(JNIEnv*, jclass, jint);
using IntToString = jstring(JNICALL*)(JNIEnv*, jclass, jint);
using StringToString = jstring(JNICALL*)(JNIEnv*, jclass, jstring);

template <typename F>
F Native(const LoadedLibrary& library, const std::string& name, int argument_bytes = 12) {
    const auto f = library.Function<F>(
        veltrane::testing::NativeExportName("Java_com_quorindel_veltrane_" + name, argument_bytes));
    if (f == nullptr) std::exit(5);
    return f;
}

std::string Utf8(const std::u16string& text) {
    std::string out;
    for (char16_t c : text) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (c < 0x800) {
            out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
        } else {
            out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
                    static_cast<char>(0x80 | (c & 0x3F))};
        }
    }
    return out;
}

// One line per code: the code, "list" or "text" (or "null" when neither method serves
// it, "both" when both do) and each entry.
void WriteProfile(const LoadedLibrary& library, const char* file) {
    const auto g401 = Native<IntToArray>(library, "E_B_D_g401");
    const auto g402 = Native<IntToString>(library, "E_B_D_g402");
    FakeJvm vm;
    std::ofstream out(file, std::ios::binary);
    for (jint code = 1; code <= 35; ++code) {
        const jobjectArray list = g401(vm.env(), nullptr, code);
        const jstring text = g402(vm.env(), nullptr, code);
        out << code << (list && text ? "\tboth" : list ? "\tlist" : text ? "\ttext" : "\tnull");
        for (jobject entry : list ? vm.ArrayElements(list) : std::vector<jobject>{text}) {
            if (entry != nullptr) out << '\t' << Utf8(vm.StringValue(entry));
        }
        out << '\n';
    }
    if (vm.exception_pending() || !vm.violations().empty()) std::exit(6);
}

void AppendCredentials(const LoadedLibrary& library, int calls) {
    const StringToString methods[] = {Native<StringToString>(library, "J_D_g201"),
                                      Native<StringToString>(library, "J_D_g202")};
    std::ofstream results("results.txt", std::ios::binary | std::ios::app);
    for (int i = 0; i < calls; ++i) {
        for (const StringToString method : methods) {
            FakeJvm vm;
            const jstring answer = method(vm.env(), nullptr, nullptr);
            results << (answer ? Utf8(vm.StringValue(answer)) : "<null>") << '\n';
        }
    }
}

[[maybe_unused]] [[noreturn]] void ExitWhileCalling(const LoadedLibrary& library) {
    // What this process opens last is finalised first inside exit(): a library that lingers
    // there gives the threads time to touch whatever the library's unload hook released.
    const LoadedLibrary linger(veltrane::testing::ProgramFolder() / "libexit_linger.so");
    const auto g401 = Native<IntToArray>(library, "E_B_D_g401");
    const auto g402 = Native<IntToString>(library, "E_B_D_g402");
    const auto g103 = Native<IntToString>(library, "D_A_g103");
    if (!linger.loaded()) std::exit(3);
    for (int t = 0; t < 4; ++t) {
        std::thread([=] {
            FakeJvm vm;
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

int main(int argc, char** argv) {
    std::vector<std::unique_ptr<LoadedLibrary>> opened;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
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
        } else if (arg == "profile" && i + 1 < argc && !opened.empty()) {
            WriteProfile(*opened.back(), argv[++i]);
        } else if (arg == "credentials" && i + 1 < argc && !opened.empty()) {
            AppendCredentials(*opened.back(), std::atoi(argv[++i]));
#ifndef _WIN32
        } else if (arg == "exit-while-calling" && !opened.empty()) {
            ExitWhileCalling(*opened.back());
#endif
        } else {
            return 4;
        }
    }
    return 0;
}
