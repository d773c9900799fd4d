// The signal level meter: the level figure of the first bytes of a Java byte array.
#include <jni.h>

#include <algorithm>
#include <cstdint>
#include <span>

#include "jni/boundary.h"
#include "jni/jni_support.h"
#include "jni/natives.h"
#include "level/level_kernel.h"

namespace veltrane {
namespace {

// The elements of a Java byte array, held for the length of one call. They are only read,
// so they go back with JNI_ABORT: copying an unchanged copy back could overwrite what
// another Java thread wrote into the array meanwhile.
class ReadOnlyBytes {
  public:
    ReadOnlyBytes(JNIEnv* env, jbyteArray array)
        : env_(env), array_(array), elements_(env->GetByteArrayElements(array, nullptr)) {
        jni::ClearPendingException(env_);
    }
    ~ReadOnlyBytes() {
        if (elements_ == nullptr) return;
        env_->ReleaseByteArrayElements(array_, elements_, JNI_ABORT);
        jni::ClearPendingException(env_);
    }
    ReadOnlyBytes(const ReadOnlyBytes&) = delete;
    ReadOnlyBytes& operator=(const ReadOnlyBytes&) = delete;

    bool available() const { return elements_ != nullptr; }
    std::span<const std::int8_t> first(std::size_t count) const {
        return {reinterpret_cast<const std::int8_t*>(elements_), count};
    }

  private:
    JNIEnv* env_;
    jbyteArray array_;
    jbyte* elements_;
};

float MeasureLevel(JNIEnv* env, jbyteArray samples, jint count) {
    // Nothing to read is silence: no array, no bytes asked for.
    if (samples == nullptr || count <= 0) return level::kSilenceLevel;
    // Never read past the array, whatever count the caller passed.
    const jsize length = env->GetArrayLength(samples);
    jni::ClearPendingException(env);
    const jint used = std::min<jint>(count, length);
    if (used <= 0) return level::kSilenceLevel;

    const ReadOnlyBytes bytes(env, samples);
    if (!bytes.available()) return level::kSilenceLevel;
    return level::SignalLevel(bytes.first(static_cast<std::size_t>(used)));
}

}  // namespace
}  // namespace veltrane

extern "C" JNIEXPORT jfloat JNICALL Java_com_quorindel_veltrane_E_A_A_g501(JNIEnv* env, jclass,
                                                                           jbyteArray samples,
                                                                           jint count) noexcept {
    using namespace veltrane;
    return jni::Guarded(env, level::kSilenceLevel,
                        [&] { return MeasureLevel(env, samples, count); });
}
