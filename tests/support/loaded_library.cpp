#include "loaded_library.h"

#include <cstdlib>

#include "test_paths.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace veltrane::testing {

#ifdef _WIN32
LoadedLibrary::LoadedLibrary(const std::filesystem::path& path)
    : handle_(reinterpret_cast<void*>(LoadLibraryW(path.wstring().c_str()))) {}
LoadedLibrary::~LoadedLibrary() {
    if (handle_ != nullptr) FreeLibrary(static_cast<HMODULE>(handle_));
}
void* LoadedLibrary::Symbol(const std::string& name) const {
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(handle_), name.c_str()));
}
#else
LoadedLibrary::LoadedLibrary(const std::filesystem::path& path)
    : handle_(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL)) {}
LoadedLibrary::~LoadedLibrary() {
    if (handle_ != nullptr) dlclose(handle_);
}
void* LoadedLibrary::Symbol(const std::string& name) const {
    return dlsym(handle_, name.c_str());
}
#endif

std::filesystem::path BuiltLibrary() {
    if (const char* path = std::getenv("VELTRANE_TEST_LIBRARY")) return path;
    return ThisProgram().parent_path() / VELTRANE_LIBRARY_FILE;
}

std::string NativeExportName(const std::string& jni_name, int argument_bytes) {
#if defined(_WIN32) && !defined(_WIN64)
    return "_" + jni_name + "@" + std::to_string(argument_bytes);
#else
    (void)argument_bytes;
    return jni_name;
#endif
}

}  // namespace veltrane::testing
