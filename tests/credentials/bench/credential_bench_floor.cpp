// The floor for g201 and g202: a native method with their signature that does nothing but
// NewString of a constant as long as the credential (7 characters).
#include <jni.h>

namespace {

constexpr jchar kSeven[7] = {'x', 'x', 'x', 'x', 'x', 'x', 'x'};

}  // namespace

extern "C" JNIEXPORT jstring JNICALL
Java_com_quorindel_veltrane_bench_credentials_CredentialFloor_text7(JNIEnv* env, jclass, jstring) {
    return env->NewString(kSeven, 7);
}
