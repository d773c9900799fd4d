// Small helpers every export uses. The rule they keep: every JNI call that can raise is
// followed by ClearPendingException, whatever it returned and before its result is
// tested, so no Java exception is ever left pending when an export returns.
#pragma once

#include <jni.h>

#include <string_view>

namespace veltrane::jni {

// A local reference deleted when it goes out of scope. A loop that creates one reference
// per entry must let each go, or a long list overruns the local reference frame the VM
// grants a native method (the JNI promises only 16).
template <typename Ref>
class ScopedLocalRef {
  public:
    ScopedLocalRef(JNIEnv* env, Ref ref) : env_(env), ref_(ref) {}
    ~ScopedLocalRef() {
        if (ref_ != nullptr) env_->DeleteLocalRef(ref_);
    }
    ScopedLocalRef(const ScopedLocalRef&) = delete;
    ScopedLocalRef& operator=(const ScopedLocalRef&) = delete;
    Ref get() const { return ref_; }

  private:
    JNIEnv* env_;
    Ref ref_;
};

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
