// Time per call of g201 and g202 of the built DLL, loaded as the JVM loads it and called
// through the fake JNI environment, next to NewString of 7 characters on the same
// environment. Informative, for the Windows builds under Wine; not a test.
//   credential_bench [calls]
#include <jni.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fake_jni.h"
#include "loaded_library.h"

namespace {

using Method = jstring(JNICALL*)(JNIEnv*, jclass, jstring);

template <typename F>
double MicrosPerCall(int calls, F&& call) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) call();
    std::chrono::duration<double, std::micro> elapsed = std::chrono::steady_clock::now() - start;
    return elapsed.count() / calls;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace veltrane::testing;
    int calls = argc > 1 ? std::atoi(argv[1]) : 2000;
    LoadedLibrary library(BuiltLibrary());
    if (!library.loaded()) return 3;
    auto g201 = reinterpret_cast<Method>(
        library.Symbol(NativeExportName("Java_com_quorindel_veltrane_J_D_g201", 12)));
    auto g202 = reinterpret_cast<Method>(
        library.Symbol(NativeExportName("Java_com_quorindel_veltrane_J_D_g202", 12)));
    if (g201 == nullptr || g202 == nullptr) return 4;
    const jchar seven[7] = {'x', 'x', 'x', 'x', 'x', 'x', 'x'};
    double t201 = 0, t202 = 0, floor = 0;
    {
        FakeJvm jvm;  // a fresh one per contender: it keeps every object made
        t201 = MicrosPerCall(calls, [&] { g201(jvm.env(), nullptr, nullptr); });
    }
    {
        FakeJvm jvm;
        t202 = MicrosPerCall(calls, [&] { g202(jvm.env(), nullptr, nullptr); });
    }
    {
        FakeJvm jvm;
        floor = MicrosPerCall(calls, [&] { jvm.env()->NewString(seven, 7); });
    }
    std::printf("us per call over %d calls: g201 %.1f, g202 %.1f, NewString alone %.3f\n", calls,
                t201, t202, floor);
    return 0;
}
