// The modem profile queries of class com.quorindel.veltrane.E.B.D: g401 answers the list
// fields as String[], g402 the single strings as String, each selected by its
// ProfileItemCode. A code the method does not serve gives null without any JNI call.
#include <jni.h>

#include <array>
#include <optional>
#include <span>

#include "frame/globals.h"
#include "jni/boundary.h"
#include "jni/jni_support.h"
#include "jni/natives.h"
#include "modem/modem_strings.h"
#include "modem/profile_fields.h"

namespace veltrane {
namespace {

// ProfileItemCode 1 to 35, in order: the index into kProfileFields of the field each
// code names.
constexpr std::array<std::size_t, 35> kFieldOfCode{
    6,  7,  8,  9,  10, 11,                          // 1-6: the first six lists
    12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23,  // 7-18: the settings
    24, 25, 26, 27, 28, 29, 30, 31, 32, 33, 34,      // 19-29: the other lists
    0,  1,  2,  3,  4,  5,                           // 30-35: the driver key values
};

std::optional<ProfileField> FieldOfCode(jint code) {
    if (code < 1 || code > static_cast<jint>(kFieldOfCode.size())) return std::nullopt;
    return kProfileFields[kFieldOfCode[code - 1]];
}

// The lists are exactly the codes 1-6 and 19-29, and every field has one code.
constexpr bool CodeTableIsSound() {
    std::array<bool, kProfileFields.size()> seen{};
    for (std::size_t code = 1; code <= kFieldOfCode.size(); ++code) {
        const std::size_t field = kFieldOfCode[code - 1];
        if (field >= seen.size() || seen[field]) return false;
        seen[field] = true;
        const bool is_list = (code >= 1 && code <= 6) || (code >= 19 && code <= 29);
        if (is_list != (kProfileFields[field].source == ProfileSource::kSubkey)) return false;
    }
    return true;
}
static_assert(CodeTableIsSound());

// Until attach has built a profile (it ran out of memory) the queries answer as for a
// machine without a modem.
std::span<const WideString> ListOf(StringList CModemStrings::*member) {
    if (g_modemStrings == nullptr) return {};
    return g_modemStrings->*member;
}

WideStringView TextOf(WideString CModemStrings::*member) {
    return g_modemStrings != nullptr ? WideStringView(g_modemStrings->*member) : WideStringView();
}

jobjectArray NewJavaStringArray(JNIEnv* env, std::span<const WideString> list) {
    const jsize count = static_cast<jsize>(list.size());
    jobjectArray array = nullptr;
    {
        const jni::ScopedLocalRef string_class(env, env->FindClass("java/lang/String"));
        jni::ClearPendingException(env);
        if (string_class.get() == nullptr) return nullptr;
        array = env->NewObjectArray(count, string_class.get(), nullptr);
        jni::ClearPendingException(env);
    }
    if (array == nullptr) return nullptr;
    for (jsize i = 0; i < count; ++i) {
        // Once stored, the array keeps the entry alive: its own reference goes at once.
        const jni::ScopedLocalRef entry(env, jni::NewJavaString(env, list[i]));
        if (entry.get() == nullptr) {
            env->DeleteLocalRef(array);  // the partly filled array is dropped
            return nullptr;
        }
        env->SetObjectArrayElement(array, i, entry.get());
        jni::ClearPendingException(env);  // a slot that could not be set stays null
    }
    return array;
}

}  // namespace
}  // namespace veltrane

extern "C" JNIEXPORT jobjectArray JNICALL
Java_com_quorindel_veltrane_E_B_D_g401(JNIEnv* env, jclass, jint code) noexcept {
    using namespace veltrane;
    return jni::Guarded(env, nullptr, [&]() -> jobjectArray {
        std::optional<ProfileField> field = FieldOfCode(code);
        if (!field || field->source != ProfileSource::kSubkey) return nullptr;
        return NewJavaStringArray(env, ListOf(field->list));
    });
}

extern "C" JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_E_B_D_g402(JNIEnv* env, jclass,
                                                                            jint code) noexcept {
    using namespace veltrane;
    return jni::Guarded(env, nullptr, [&]() -> jstring {
        std::optional<ProfileField> field = FieldOfCode(code);
        if (!field || field->source == ProfileSource::kSubkey) return nullptr;
        return jni::NewJavaString(env, TextOf(field->text));
    });
}
