// The built library opened at run time, as the JVM opens it: LoadLibraryW on Windows,
// dlopen on Linux. Exports are looked up by their exported names.
#pragma once

#include <filesystem>
#include <string>

namespace veltrane::testing {

class LoadedLibrary {
  public:
    explicit LoadedLibrary(const std::filesystem::path& path);
    ~LoadedLibrary();
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    void* Symbol(const std::string& name) const;

  private:
    void* handle_ = nullptr;
};

// The library beside the running test program, or the one VELTRANE_TEST_LIBRARY names.
std::filesystem::path BuiltLibrary();

// The name a native method is found under: on 32-bit Windows the stdcall-decorated
// _name@bytes, elsewhere the plain JNI name.
std::string NativeExportName(const std::string& jni_name, int argument_bytes);

}  // namespace veltrane::testing
