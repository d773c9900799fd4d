// Small helpers every export uses. The rule they keep: every JNI call that can raise is
// followed by ClearPendingException, whatever it returned and before its result is
// tested, so no Java exception is ever left pending when an export returns.
#pragma once

#include <jni.h>

#include <string_view>

namespace veltrane::jni {

// True when an exception was pending (and is now cleared): the call before it failed.
inline bool ClearPendingException(JNIEnv* env) {
    if (!env->ExceptionCheck()) return false;
    env->ExceptionClear();
    return true;
}

// NewString from UTF-16 code units and their count (no terminator, no conversion),
// then ClearPendingException. Null when the VM could not create the string.
inline jstring NewJavaString(JNIEnv* env, std::u16string_view text) {
    static_assert(sizeof(jchar) == sizeof(char16_t));
    jstring result = env->NewString(reinterpret_cast<const jchar*>(text.data()),
                                    static_cast<jsize>(text.size()));
    ClearPendingException(env);
    return result;
}

}  // namespace veltrane::jni
