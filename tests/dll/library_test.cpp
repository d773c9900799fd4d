// The built binary, opened as the JVM opens it: every export under the name the JVM looks
// for (on 32-bit Windows the stdcall-decorated one) wired to its answer; load and unload as
// the loader drives them; the registry fixtures read through the platform's registry
// (Wine's, after a regedit import, or the file named by VELTRANE_REGISTRY); the credentials
// from several processes at once. What each method answers for every input is the unit
// tests' business.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "child_process.h"
#include "fake_jni.h"
#include "loaded_library.h"
#include "test_paths.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>
#endif

namespace veltrane::testing {
namespace {

enum class Shape { kInt, kStringInt, kString, kIntToArray, kBytes };

// One call per export, in the order of the export list, with the text it answers ("*":
// the credential; arrays and floats by shape).
const struct {
    const char* jni_name;
    Shape shape;
    jint argument;
    const char16_t* expected;
} kRows[] = {
    {"Java_com_quorindel_veltrane_E_g101", Shape::kInt, 1, u"SELECT * FROM M;"},
    {"Java_com_quorindel_veltrane_D_B_g102", Shape::kInt, 1, u"SELECT * FROM G WHERE A=?;"},
    {"Java_com_quorindel_veltrane_D_A_g103", Shape::kInt, 1, u"SELECT * FROM F WHERE A=?;"},
    {"Java_com_quorindel_veltrane_I_C_g104", Shape::kInt, 4, u"DELETE FROM K WHERE A=? AND B=?;"},
    {"Java_com_quorindel_veltrane_I_H_g105", Shape::kInt, 6, u"SELECT * FROM C WHERE A=?;"},
    {"Java_com_quorindel_veltrane_I_G_g106", Shape::kInt, 3, u"SELECT * FROM B WHERE A=?;"},
    {"Java_com_quorindel_veltrane_I_D_g107", Shape::kInt, 7,
     u"SELECT COUNT(*) FROM L WHERE A=? AND H=FALSE;"},
    {"Java_com_quorindel_veltrane_I_B_g108", Shape::kInt, 2, u"SELECT * FROM E;"},
    {"Java_com_quorindel_veltrane_F_C_g109", Shape::kStringInt, 4, u"DELETE FROM J;"},
    {"Java_com_quorindel_veltrane_A_B_g110", Shape::kInt, 6, u"SELECT MAX(A) FROM H;"},
    {"Java_com_quorindel_veltrane_A_A_g111", Shape::kInt, 5, u"SELECT * FROM I ORDER BY A;"},
    {"Java_com_quorindel_veltrane_I_F_g112", Shape::kInt, 2, u"SELECT MAX(A) FROM A;"},
    {"Java_com_quorindel_veltrane_E_B_E_g113", Shape::kInt, 5, u"SELECT * FROM N;"},
    {"Java_com_quorindel_veltrane_J_D_g201", Shape::kString, 0, u"*"},
    {"Java_com_quorindel_veltrane_J_D_g202", Shape::kString, 0, u"*"},
    {"Java_com_quorindel_veltrane_J_D_g301", Shape::kInt, 8, u"VALUE"},
    {"Java_com_quorindel_veltrane_E_B_D_g401", Shape::kIntToArray, 3, nullptr},
    {"Java_com_quorindel_veltrane_E_B_D_g402", Shape::kInt, 30, u""},  // no modem here
    {"Java_com_quorindel_veltrane_E_A_A_g501", Shape::kBytes, 2, nullptr},
};

TEST(Library, EveryExportAnswersThroughTheNameTheJvmLooksFor) {
    std::ifstream list(VELTRANE_EXPORT_LIST);
    std::vector<std::string> listed;
    for (std::string kind, name, rest; list >> kind >> name && std::getline(list, rest);) {
        if (kind == "jni") listed.push_back(name);
    }
    ASSERT_EQ(listed.size(), std::size(kRows));
    LoadedLibrary library(BuiltLibrary());
    ASSERT_TRUE(library.loaded());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const auto& row = kRows[i];
        ASSERT_EQ(listed[i], row.jni_name);
        const int bytes = row.shape == Shape::kStringInt || row.shape == Shape::kBytes ? 16 : 12;
        void* f = library.Symbol(NativeExportName(row.jni_name, bytes));
        ASSERT_NE(f, nullptr) << row.jni_name;
        FakeJvm vm;
        JNIEnv* env = vm.env();
        const jclass receiver = vm.MakeClass("com/quorindel/veltrane/Receiver");
        jobject result = nullptr;
        switch (row.shape) {
            case Shape::kInt:
                result = reinterpret_cast<jstring(JNICALL*)(JNIEnv*, jclass, jint)>(f)(
                    env, receiver, row.argument);
                break;
            case Shape::kStringInt:
                result = reinterpret_cast<jstring(JNICALL*)(JNIEnv*, jclass, jstring, jint)>(f)(
                    env, receiver, vm.MakeString(u"x"), row.argument);
                break;
            case Shape::kString:
                result = reinterpret_cast<jstring(JNICALL*)(JNIEnv*, jclass, jstring)>(f)(
                    env, receiver, vm.MakeString(u"x"));
                break;
            case Shape::kIntToArray:
                result = reinterpret_cast<jobjectArray(JNICALL*)(JNIEnv*, jclass, jint)>(f)(
                    env, receiver, row.argument);
                ASSERT_NE(result, nullptr);
                EXPECT_EQ(vm.ClassName(result), "[java/lang/String");
                break;
            case Shape::kBytes:
                EXPECT_EQ(reinterpret_cast<jfloat(JNICALL*)(JNIEnv*, jclass, jbyteArray, jint)>(f)(
                              env, receiver, vm.MakeByteArray({3, -4, 127}), row.argument),
                          4.860806f);
                break;
        }
        if (row.expected != nullptr) {
            ASSERT_NE(result, nullptr) << row.jni_name;
            const std::u16string text = vm.StringValue(result);
            if (std::u16string_view(row.expected) == u"*") {
                EXPECT_GE(text.size(), 4u) << row.jni_name;
            } else {
                EXPECT_EQ(text, row.expected) << row.jni_name;
            }
        }
        EXPECT_FALSE(vm.exception_pending()) << row.jni_name;
        EXPECT_TRUE(vm.violations().empty()) << row.jni_name;
    }
}

// Runs of library_child in one folder, one after the other, and the log they leave.
TEST(Library, LoadAndUnloadAsTheLoaderDrivesThem) {
    struct Run {
        std::vector<std::string> args;
        int exit_code;
    };
    const struct {
        const char* what;
        bool log_folder;
        std::vector<Run> runs;
        const char* log;  // nullptr: no log folder is made
    } rows[] = {
        {"a load empties the log of the last run", true, {{{"append", "old", "load"}, 0}}, ""},
        {"a second load neither reopens nor empties the log",
         true,
         {{{"load", "append", "kept", "load", "unload", "unload"}, 0}},
         "kept"},
        {"without a log folder no file", false, {{{"load", "unload"}, 0}}, nullptr},
        {"a load after a process killed while loaded",
         true,
         {{{"load", "kill"}, 137}, {{"load", "append", "x", "unload"}, 0}},
         "x"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto folder = FreshFolder();
        if (row.log_folder) std::filesystem::create_directories(folder / "log");
        for (const Run& run : row.runs) {
            EXPECT_EQ(RunChild(HelperProgram("library_child"), run.args, folder), run.exit_code);
        }
        if (row.log == nullptr) {
            EXPECT_FALSE(std::filesystem::exists(folder / "log"));
        } else {
            EXPECT_EQ(ReadFileBytes(LogFileIn(folder)), row.log);
        }
    }
}

std::string ExpectedProfile(const std::string& fixture) {
    std::string text;
    for (const auto& row : FixtureRows("registry/" + fixture)) {
        for (std::size_t i = 0; i < row.size(); ++i)
            text += row[i] + (i + 1 < row.size() ? "\t" : "\n");
    }
    return text;
}

#ifdef _WIN32
int Regedit(const std::string& fixture) {
    wchar_t windows[MAX_PATH];
    GetWindowsDirectoryW(windows, MAX_PATH);
    // A Linux path as Wine's drive Z: sees it.
    std::string path = "Z:" + Fixture("registry/" + fixture).string();
    for (char& c : path) c = c == '/' ? '\\' : c;
    return RunChild(std::filesystem::path(windows) / "regedit.exe", {"/S", path}, ProgramFolder());
}
// The prefix is shared with the other tests of the build: no fixture is left in it.
struct RemoveFixturesAtEnd {
    ~RemoveFixturesAtEnd() { Regedit("wine-cleanup.reg"); }
};
#endif

// Each fixture alone in the registry gives its profile through the built library.
TEST(Library, EachRegistryFixtureGivesItsProfile) {
    const std::pair<const char*, const char*> rows[] = {
        {"wine-full-modem.reg", "wine-full-modem.profile"},
        {"wine-first-modem-without-driver.reg", "empty.profile"},
        {"wine-driver-leads-nowhere.reg", "empty.profile"},
        {"wine-modem-below-instance.reg", "wine-modem-below-instance.profile"},
        {"", "empty.profile"},
    };
#ifdef _WIN32
    RemoveFixturesAtEnd cleanup;
#endif
    for (const auto& [fixture, profile] : rows) {
        SCOPED_TRACE(fixture);
        const auto folder = FreshFolder();
#ifdef _WIN32
        ASSERT_EQ(Regedit("wine-cleanup.reg"), 0);
        if (*fixture != '\0') {
            ASSERT_EQ(Regedit(fixture), 0);
        }
#else
        setenv("VELTRANE_REGISTRY", Fixture(std::string("registry/") + fixture).c_str(), 1);
        if (*fixture == '\0') unsetenv("VELTRANE_REGISTRY");
#endif
        ASSERT_EQ(
            RunChild(HelperProgram("library_child"), {"load", "profile", "profile.txt"}, folder),
            0);
        EXPECT_EQ(ReadFileBytes(folder / "profile.txt"), ExpectedProfile(profile));
    }
}

// Three processes decrypting at once, each from a folder of its own, all get the
// credentials and log nothing; on Windows over a key container "Veltrane" that a process
// that died left behind, which is gone at the end.
TEST(Library, CredentialsInSeveralProcessesAtOnce) {
    if (std::string_view(VELTRANE_CREDENTIAL_LINES).empty()) GTEST_SKIP() << "other credentials";
    constexpr int kCalls = 40;
#ifdef _WIN32
    const auto container = [](DWORD flags) {
        HCRYPTPROV provider = 0;
        const bool done =
            CryptAcquireContextW(&provider, L"Veltrane", MS_ENHANCED_PROV_W, PROV_RSA_FULL, flags);
        if (done && flags != CRYPT_DELETEKEYSET) CryptReleaseContext(provider, 0);
        return done;
    };
    ASSERT_TRUE(container(CRYPT_NEWKEYSET));
#endif
    std::vector<std::filesystem::path> folders;
    std::vector<std::thread> processes;
    for (int n = 0; n < 3; ++n) {
        folders.push_back(FreshFolder(std::to_string(n)));
        std::filesystem::create_directories(folders.back() / "log");
        processes.emplace_back([folder = folders.back()] {
            EXPECT_EQ(RunChild(HelperProgram("library_child"),
                               {"load", "credentials", std::to_string(kCalls)}, folder),
                      0);
        });
    }
    for (auto& process : processes) process.join();
    std::string expected;
    for (int i = 0; i < kCalls; ++i) expected += VELTRANE_CREDENTIAL_LINES;  // g201, g202
    for (const auto& folder : folders) {
        EXPECT_EQ(ReadFileBytes(folder / "results.txt"), expected);
        EXPECT_EQ(ReadFileBytes(LogFileIn(folder)), "");
    }
#ifdef _WIN32
    EXPECT_FALSE(container(0)) << "the key container is left behind";
#endif
}

// Inside exit() the unload hook runs while other threads may be inside a native method
// (native code is not stopped): whatever they read must still be there. Under the sanitizer
// build a read of freed memory leaves a report; Windows ends the other threads before its
// detach.
#ifndef _WIN32
TEST(Library, ExitWhileThreadsAreInsideNativeMethods) {
    // A long Init list keeps each g401 reading the profile for a while.
    const auto folder = FreshFolder();
    const auto registry = folder / "long-init.reg";
    {
        std::ofstream reg(registry, std::ios::binary);
        reg << "REGEDIT4\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Enum\\Root\\MODEM\\0000]\r\n"
               "\"Class\"=\"Modem\"\r\n\"Driver\"=\"{m}\\\\0000\"\r\n\r\n"
               "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Class\\{m}\\0000\\Init]"
               "\r\n";
        for (int i = 0; i < 2000; ++i) reg << "\"" << i << "\"=\"AT#CLS=8\"\r\n";
    }
    setenv("VELTRANE_REGISTRY", registry.c_str(), 1);
    for (int run = 0; run < 40; ++run) {
        ASSERT_EQ(RunChild(HelperProgram("library_child"), {"load", "exit-while-calling"}, folder),
                  0)
            << "run " << run;
    }
    unsetenv("VELTRANE_REGISTRY");
}
#endif

}  // namespace
}  // namespace veltrane::testing
