// The token table: short marker texts by code, with a default for every other code.
#include <jni.h>

#include <string_view>

#include "jni/boundary.h"
#include "jni/jni_support.h"
#include "jni/natives.h"

namespace veltrane {
namespace {

// `TokenCode` 1 to 9, in order.
constexpr std::u16string_view kTokens[] = {
    u"H", u"T", u"M", u"O", u"O#", u"V", u"V#", u"VALUE", u"ERROR",
};
constexpr std::u16string_view kDefaultToken = u"!@#$%";

constexpr std::u16string_view TokenFor(jint code) {
    if (code < 1 || code > static_cast<jint>(std::size(kTokens))) return kDefaultToken;
    return kTokens[code - 1];
}

}  // namespace
}  // namespace veltrane

extern "C" JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_J_D_g301(JNIEnv* env, jclass,
                                                                          jint code) noexcept {
    using namespace veltrane;
    return jni::Guarded(env, nullptr, [&] { return jni::NewJavaString(env, TokenFor(code)); });
}
