// The floor of a string-returning native method: NewString of a constant, nothing else.
#include <jni.h>

namespace {

// As long as the longest statement the benchmark fetches (92), its token (5) and the
// credential (7).
constexpr jchar kLong[92] = {'x'};
constexpr jchar kShort[5] = {'x'};
constexpr jchar kSeven[7] = {'x'};

}  // namespace

extern "C" JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_bench_Floor_text92(JNIEnv* env,
                                                                                    jclass, jint) {
    return env->NewString(kLong, 92);
}

extern "C" JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_bench_Floor_text5(JNIEnv* env,
                                                                                   jclass, jint) {
    return env->NewString(kShort, 5);
}

extern "C" JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_bench_Floor_text7(JNIEnv* env,
                                                                                   jclass,
                                                                                   jstring) {
    return env->NewString(kSeven, 7);
}
