// The floor of a string-returning native method: NewString of a constant, nothing else.
#include <jni.h>

namespace {

// As long as the longest statement the benchmark fetches (92) and its token (5).
constexpr jchar kLong[92] = {'x'};
constexpr jchar kShort[5] = {'x'};

}  // namespace

extern "C" JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_bench_Floor_text92(JNIEnv* env,
                                                                                    jclass, jint) {
    return env->NewString(kLong, 92);
}

extern "C" JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_bench_Floor_text5(JNIEnv* env,
                                                                                   jclass, jint) {
    return env->NewString(kShort, 5);
}
