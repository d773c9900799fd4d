// The database user name (g201) and password (g202), decrypted on every call. The String
// argument is accepted and never looked at.
#include <jni.h>

#include "jni/boundary.h"
#include "jni/credential_values.h"
#include "jni/jni_support.h"
#include "jni/natives.h"
#include "platform/credential_cipher.h"

namespace veltrane {
namespace {

// What a decryption that could not finish gives: an empty Java string.
jstring EmptyJavaString(JNIEnv* env) noexcept {
    return jni::NewJavaString(env, u"");
}

jstring CredentialString(JNIEnv* env, const platform::CredentialCipherText& ciphertext) noexcept {
    return jni::Guarded(env, EmptyJavaString, [&] {
        WideString text = platform::DecryptCredential(ciphertext, kCredentialValues.phrase());
        jstring result = jni::NewJavaString(env, text);  // empty text: an empty Java string
        platform::WipeCredential(text);
        return result;
    });
}

}  // namespace
}  // namespace veltrane

extern "C" JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_J_D_g201(JNIEnv* env, jclass,
                                                                          jstring) noexcept {
    return veltrane::CredentialString(env, veltrane::kCredentialValues.user_name);
}

extern "C" JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_J_D_g202(JNIEnv* env, jclass,
                                                                          jstring) noexcept {
    return veltrane::CredentialString(env, veltrane::kCredentialValues.password);
}
