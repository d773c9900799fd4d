// The built binary, opened as the JVM opens it: every export under its exported name wired to
// its answer, load and unload, the registry fixtures through Wine's registry, several
// processes decrypting at once. With arguments the program is its own helper (Steps, below).
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "fake_jni.h"
#include "test_paths.h"

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <dlfcn.h>
#include <sys/wait.h>
#endif

namespace veltrane::testing {
namespace {

#ifdef _WIN32
void* Open(const std::filesystem::path& path) {
    return LoadLibraryW(path.wstring().c_str());
}
void* Find(void* library, const std::string& name) {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name.c_str()));
}
struct Closer {
    void operator()(void* library) const { FreeLibrary(static_cast<HMODULE>(library)); }
};
#else
void* Open(const std::filesystem::path& path) {
    return dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
}
void* Find(void* library, const std::string& name) {
    return dlsym(library, name.c_str());
}
struct Closer {
    void operator()(void* library) const { dlclose(library); }
};
#endif
// A library opened at run time as the JVM opens it (null when it did not load).
using LoadedLibrary = std::unique_ptr<void, Closer>;

std::filesystem::path ThisProgram() {
#ifdef _WIN32
    wchar_t buffer[MAX_PATH];
    return std::wstring(buffer, GetModuleFileNameW(nullptr, buffer, MAX_PATH));
#else
    return std::filesystem::read_symlink("/proc/self/exe");
#endif
}

// The built library beside this program, or the one VELTRANE_TEST_LIBRARY names.
LoadedLibrary LoadBuilt() {
    const char* path = std::getenv("VELTRANE_TEST_LIBRARY");
    return LoadedLibrary(Open(path ? path : ThisProgram().parent_path() / VELTRANE_LIBRARY_FILE));
}

// On 32-bit Windows the stdcall-decorated _name@bytes, elsewhere the plain JNI name.
std::string NativeExportName(const std::string& jni_name, [[maybe_unused]] int bytes) {
#if defined(_WIN32) && !defined(_WIN64)
    return "_" + jni_name + "@" + std::to_string(bytes);
#else
    return jni_name;
#endif
}

// A native method called as the JVM calls it, with a null class.
template <typename R, typename... A>
R Call(void* f, FakeJvm& vm, A... a) {
    return reinterpret_cast<R(JNICALL*)(JNIEnv*, jclass, A...)>(f)(vm.env(), nullptr, a...);
}

void* Native(const LoadedLibrary& library, const std::string& method) {
    return Find(library.get(), NativeExportName("Java_com_quorindel_veltrane_" + method, 12));
}

std::string Utf8(FakeJvm& vm, jobject text) {
    return text == nullptr ? "<null>" : vm.Utf8Value(text);
}

// Runs a program and waits for it: its exit code.
int Run(const std::filesystem::path& program, const std::vector<std::string>& args) {
    std::vector<std::string> words{program.string()};
    words.insert(words.end(), args.begin(), args.end());
#ifdef _WIN32
    std::vector<const char*> argv;
    for (auto& word : words) argv.push_back((word = '"' + word + '"').c_str());
    argv.push_back(nullptr);
    return static_cast<int>(_spawnv(_P_WAIT, program.string().c_str(), argv.data()));
#else
    std::string command;
    for (const auto& word : words) command += " '" + word + "'";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
#endif
}

int RunSelf(const std::filesystem::path& folder, std::vector<std::string> steps) {
    steps.insert(steps.begin(), {"in", folder.string()});
    return Run(ThisProgram(), steps);
}

// Every native of the export list, under its exported name, gives its own method's answers:
// the whole tables of the statements and the tokens (for the statements every other code null
// without a JNI call, and a string the VM cannot create null), one answer of the others.
TEST(Library, EveryExportAnswersThroughTheNameTheJvmLooksFor) {
    std::map<std::string, std::vector<std::string>> statements;  // by method, from code 1 on
    for (const auto& row : FixtureRows("catalogue/statements.tsv"))
        statements[row.at(0)].push_back(row.at(2));
    const std::pair<jint, const char*> tokens[] = {
        {1, "H"},      {2, "T"},      {3, "M"},           {4, "O"},           {5, "O#"},
        {6, "V"},      {7, "V#"},     {8, "VALUE"},       {9, "ERROR"},       {0, "!@#$%"},
        {-1, "!@#$%"}, {10, "!@#$%"}, {INT_MAX, "!@#$%"}, {INT_MIN, "!@#$%"},
    };
    const LoadedLibrary library = LoadBuilt();
    ASSERT_NE(library, nullptr);
    std::ifstream list(VELTRANE_EXPORT_LIST);
    int natives = 0;
    for (std::string kind, name, bytes; list >> kind >> name && std::getline(list, bytes);) {
        if (kind != "jni") continue;
        ++natives;
        void* f = Find(library.get(), NativeExportName(name, std::stoi(bytes)));
        ASSERT_NE(f, nullptr) << name;
        const std::string method = name.substr(name.rfind('_') + 1);
        FakeJvm vm;
        const jstring x = vm.MakeString(u"x");
        if (statements.count(method) != 0) {
            const auto statement = [&](jint code) {  // g109's string is never looked at
                return method == "g109" ? Call<jstring>(f, vm, x, code)
                                        : Call<jstring>(f, vm, code);
            };
            const auto& texts = statements[method];
            for (std::size_t i = 0; i < texts.size(); ++i)
                EXPECT_EQ(Utf8(vm, statement(static_cast<jint>(i + 1))), texts[i]) << name << i;
            const jint after_last = static_cast<jint>(texts.size() + 1);
            for (jint code : {jint{0}, jint{-1}, after_last, jint{INT_MIN}, jint{INT_MAX}}) {
                vm.ResetRecord();
                EXPECT_EQ(statement(code), nullptr) << name << " code " << code;
                EXPECT_TRUE(vm.calls().empty()) << name << " code " << code;
            }
            vm.FailCall(JniCall::kNewString);
            EXPECT_EQ(statement(1), nullptr) << name;
            EXPECT_NE(statement(1), nullptr) << name;
        } else if (method == "g301") {
            for (const auto& [code, token] : tokens)
                EXPECT_EQ(Utf8(vm, Call<jstring>(f, vm, code)), token) << code;
        } else if (method == "g201" || method == "g202") {
            EXPECT_GE(Utf8(vm, Call<jstring>(f, vm, x)).size(), 4u) << name;
        } else if (method == "g401") {
            EXPECT_EQ(vm.ClassName(Call<jobjectArray>(f, vm, jint{3})), "[java/lang/String");
        } else if (method == "g402") {
            EXPECT_EQ(Utf8(vm, Call<jstring>(f, vm, jint{30})), "");  // no modem here
        } else {
            ASSERT_EQ(method, "g501");
            EXPECT_EQ(Call<jfloat>(f, vm, vm.MakeByteArray({3, -4, 127}), jint{2}), 4.860806f);
        }
        EXPECT_FALSE(vm.exception_pending()) << name;
        EXPECT_TRUE(vm.violations().empty()) << name;
    }
    EXPECT_EQ(natives, 19);
}

// One run of the helper per row, in a folder of its own, and the log it leaves.
TEST(Library, LoadAndUnloadAsTheLoaderDrivesThem) {
    const struct {
        const char* what;
        std::vector<std::string> steps;
        const char* log;  // nullptr: no log folder
    } rows[] = {
        {"a load empties the log of the last run", {"append", "old", "load"}, ""},
        {"a second load neither reopens nor empties the log",
         {"load", "append", "kept", "load", "unload", "unload"},
         "kept"},
        {"without a log folder no file", {"load", "unload"}, nullptr},
        {"the last unload closes the log", {"load", "unload", "delete-log"}, ""},
#ifndef _WIN32
        // What threads inside native methods read during exit() must still be there (the
        // sanitizer build reports a read of freed memory). Windows ends them before detach.
        {"exit while threads are inside native methods", {"exit-while-calling"}, ""},
#endif
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto folder = FreshFolder();
        if (row.log != nullptr) std::filesystem::create_directories(folder / "log");
        EXPECT_EQ(RunSelf(folder, row.steps), 0);
        if (row.log == nullptr) {
            EXPECT_FALSE(std::filesystem::exists(folder / "log"));
        } else {
            EXPECT_EQ(ReadFileBytes(LogFileIn(folder)), row.log);
        }
    }
}

#ifdef _WIN32
// Puts a fixture alone into Wine's registry, by a regedit import.
int UseRegistry(const std::string& fixture) {
    const auto import = [](const std::string& name) {
        wchar_t windows[MAX_PATH];
        GetWindowsDirectoryW(windows, MAX_PATH);
        // A Linux path as Wine's drive Z: sees it.
        std::string path = "Z:" + Fixture("registry/" + name).string();
        for (char& c : path) c = c == '/' ? '\\' : c;
        return Run(std::filesystem::path(windows) / "regedit.exe", {"/S", path});
    };
    return import("wine-cleanup.reg") + import(fixture);
}

// Each fixture alone in the registry gives its .profile through g401 and g402, code by code.
TEST(Library, EachRegistryFixtureGivesItsProfile) {
    const std::pair<const char*, const char*> rows[] = {
        {"wine-full-modem.reg", "wine-full-modem.profile"},
        {"wine-first-modem-without-driver.reg", "empty.profile"},
        {"wine-driver-leads-nowhere.reg", "empty.profile"},
        {"wine-modem-below-instance.reg", "wine-modem-below-instance.profile"},
        {"wine-cleanup.reg", "empty.profile"},  // the last: no fixture is left behind
    };
    for (const auto& [fixture, profile] : rows) {
        SCOPED_TRACE(fixture);
        ASSERT_EQ(UseRegistry(fixture), 0);
        const LoadedLibrary library = LoadBuilt();
        FakeJvm vm;
        std::vector<std::vector<std::string>> got;
        for (jint code = 1; code <= 35; ++code) {
            const auto list = Call<jobjectArray>(Native(library, "E_B_D_g401"), vm, code);
            const auto text = Call<jstring>(Native(library, "E_B_D_g402"), vm, code);
            got.push_back({std::to_string(code), list ? "list" : text ? "text" : "null"});
            for (jobject entry : list ? vm.ArrayElements(list) : std::vector<jobject>{text}) {
                if (entry != nullptr) got.back().push_back(Utf8(vm, entry));
            }
        }
        EXPECT_EQ(got, FixtureRows(std::string("registry/") + profile));
    }
}
#endif

// Three processes decrypting at once all get the credentials and log nothing.
TEST(Library, CredentialsInSeveralProcessesAtOnce) {
    std::vector<std::thread> processes;
    for (int n = 0; n < 3; ++n) {
        const auto folder = FreshFolder(std::to_string(n));
        std::filesystem::create_directories(folder / "log");
        processes.emplace_back([folder] {
            EXPECT_EQ(RunSelf(folder, {"load", "credentials", "40"}), 0);
        });
    }
    for (auto& process : processes) process.join();
}

#ifndef _WIN32
// Four threads query the profile (long lists keep g401 busy) as exit() runs.
[[noreturn]] void ExitWhileCalling() {
    setenv("VELTRANE_REGISTRY", Fixture("registry/long-lists.reg").c_str(), 1);
    const LoadedLibrary library = LoadBuilt();
    // Finalised after the library inside exit(): it lingers there (exit_linger.cpp).
    if (!Open(ThisProgram().parent_path() / "libexit_linger.so")) std::exit(3);
    for (int t = 0; t < 4; ++t) {
        std::thread([g401 = Native(library, "E_B_D_g401"), g402 = Native(library, "E_B_D_g402")] {
            FakeJvm vm;
            for (;;) {
                for (jint code = 1; code <= 35; ++code) {
                    Call<jobjectArray>(g401, vm, code);
                    Call<jstring>(g402, vm, code);
                    vm.ResetRecord();
                }
            }
        }).detach();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    std::exit(0);
}
#endif

// The helper's steps: "in DIR", "load", "unload" (the last loaded), "append TEXT" to the log,
// "delete-log" (fails while it is open on Windows), "credentials N" (N answers of g201 and
// g202, each checked, and nothing logged), "exit-while-calling" (Linux).
int Steps(int argc, char** argv) {
    std::vector<LoadedLibrary> opened;
    for (int i = 1; i < argc; ++i) {
        const std::string step = argv[i];
        const char* next = i + 1 < argc ? argv[i + 1] : nullptr;
        if (step == "in" && next) {
            std::filesystem::current_path(argv[++i]);
        } else if (step == "load") {
            opened.push_back(LoadBuilt());
            if (opened.back() == nullptr) return 3;
        } else if (step == "unload" && !opened.empty()) {
            opened.pop_back();
        } else if (step == "append" && next) {
            std::ofstream(LogFileIn("."), std::ios::app) << argv[++i];
        } else if (step == "delete-log") {
            std::error_code error;
            if (!std::filesystem::remove(LogFileIn("."), error)) return 5;
        } else if (step == "credentials" && next && !opened.empty()) {
            for (int n = std::atoi(argv[++i]); n > 0; --n) {
                std::string lines;
                for (const char* method : {"J_D_g201", "J_D_g202"}) {
                    FakeJvm vm;
                    lines += Utf8(vm, Call<jstring>(Native(opened.back(), method), vm, jstring{}));
                    lines += '\n';
                }
                if (*VELTRANE_CREDENTIAL_LINES != '\0' && lines != VELTRANE_CREDENTIAL_LINES)
                    return 6;
            }
            if (!ReadFileBytes(LogFileIn(".")).empty()) return 7;
#ifndef _WIN32
        } else if (step == "exit-while-calling") {
            ExitWhileCalling();
#endif
        } else {
            return 4;
        }
    }
    return 0;
}

}  // namespace
}  // namespace veltrane::testing

int main(int argc, char** argv) {
    if (argc > 1 && argv[1][0] != '-') return veltrane::testing::Steps(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
