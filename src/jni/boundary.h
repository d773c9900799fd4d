// The edge between the JVM and the library's C++. No C++ exception may unwind into the
// VM: every exported method runs its body through Guarded, which turns anything thrown
// (memory ran out) into the method's own failure result.
#pragma once

#include <jni.h>

#include <type_traits>

#include "jni/jni_support.h"

namespace veltrane::jni {

// Runs body(). Should it throw, the method answers `failure` instead: a value (null, the
// silence level), or a function of the environment that makes one (an empty Java
// string). Either way no Java exception is left pending.
template <typename Failure, typename Body>
auto Guarded(JNIEnv* env, Failure failure, Body&& body) noexcept -> decltype(body()) {
    try {
        return body();
    } catch (...) {
        ClearPendingException(env);
        if constexpr (std::is_invocable_v<Failure, JNIEnv*>) {
            return failure(env);
        } else {
            return failure;
        }
    }
}

}  // namespace veltrane::jni
