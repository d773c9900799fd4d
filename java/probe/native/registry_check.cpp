// libVeltraneProbe: tells the probe whether a registry file loads, and if not, where and
// why. It runs the same loader as the library, which itself stays silent about the file.
#include <jni.h>

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
