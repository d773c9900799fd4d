// libVeltraneProbe: tells the probe whether a registry file loads, and if not, where and
// why. It runs the same loader as the library, which itself stays silent about the file.
// It also names the file for the library, which reads VELTRANE_REGISTRY when it loads.
#include <jni.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/portable/registry_file.h"

namespace {

std::u16string JavaText(JNIEnv* env, jstring text) {
    const jsize length = env->GetStringLength(text);
    std::u16string units(static_cast<std::size_t>(length), u'\0');
    env->GetStringRegion(text, 0, length, reinterpret_cast<jchar*>(units.data()));
    return units;
}

}  // namespace

// Null when the file loads; otherwise "file:line: reason".
extern "C" JNIEXPORT jstring JNICALL
Java_com_quorindel_veltrane_probe_RegistryCheck_diagnoseFile(JNIEnv* env, jclass, jstring path) {
    if (path == nullptr) return nullptr;
    const std::filesystem::path file(JavaText(env, path));
    if (env->ExceptionCheck()) return nullptr;
    const auto result = veltrane::platform::LoadRegistryFile(file);
    if (!result.error) return nullptr;
    // The description is UTF-8; Java gets it as UTF-16 code units.
    const std::u16string text =
        std::filesystem::path(veltrane::platform::DescribeRegistryFileError(*result.error))
            .u16string();
    return env->NewString(reinterpret_cast<const jchar*>(text.data()),
                          static_cast<jsize>(text.size()));
}

// Sets VELTRANE_REGISTRY in the process environment, which the library reads when it loads;
// false when it cannot be set.
extern "C" JNIEXPORT jboolean JNICALL
Java_com_quorindel_veltrane_probe_RegistryCheck_setRegistryVariable(JNIEnv* env, jclass,
                                                                    jstring path) {
    if (path == nullptr) return JNI_FALSE;
    const std::u16string units = JavaText(env, path);
    if (env->ExceptionCheck() || units.find(u'\0') != std::u16string::npos) return JNI_FALSE;
    // The same narrow form the library opens, as diagnoseFile does.
    const std::filesystem::path file(units);
    return ::setenv("VELTRANE_REGISTRY", file.c_str(), 1) == 0 ? JNI_TRUE : JNI_FALSE;
}
