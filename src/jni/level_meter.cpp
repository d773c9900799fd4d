// The signal level meter: the level figure of the first bytes of a Java byte array.
#include <jni.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "jni/boundary.h"
#include "jni/jni_support.h"
#include "jni/natives.h"
#include "level/level_kernel.h"

namespace veltrane {
namespace {

// The bytes are copied out piece by piece into this much stack: only the bytes asked for
// are copied, the array is neither pinned nor copied whole, and the garbage collector is
// never held up. A piece stays in the first-level cache while it is summed.
constexpr jsize kPieceBytes = 8192;

float MeasureLevel(JNIEnv* env, jbyteArray samples, jint count) {
    // Nothing to read is silence: no array, no bytes asked for.
    if (samples == nullptr || count <= 0) return level::kSilenceLevel;
    // Never read past the array, whatever count the caller passed.
    const jsize length = env->GetArrayLength(samples);
    if (jni::ClearPendingException(env)) return level::kSilenceLevel;
    const jint used = std::min<jint>(count, length);
    if (used <= 0) return level::kSilenceLevel;

    std::array<jbyte, kPieceBytes> piece;
    float sum = 0.0f;
    for (jsize at = 0; at < used;) {
        const jsize size = std::min(kPieceBytes, used - at);
        env->GetByteArrayRegion(samples, at, size, piece.data());
        if (jni::ClearPendingException(env)) return level::kSilenceLevel;
        // The running sum carries over from piece to piece exactly as in one pass.
        sum = level::AddSquares(sum, {reinterpret_cast<const std::int8_t*>(piece.data()),
                                      static_cast<std::size_t>(size)});
        at += size;
    }
    return level::LevelOfSum(sum, static_cast<std::size_t>(used));
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
