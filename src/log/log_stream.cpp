#include "log/log_stream.h"

#include <string>

#ifdef _WIN32
#include <share.h>
#endif

namespace veltrane {

namespace {

// Binary mode and our own line-end translation keep the bytes identical on every platform.
std::FILE* OpenShared(const char* path) {
#ifdef _WIN32
    return _fsopen(path, "wb", _SH_DENYNO);  // others may read and write while we hold it
#else
    return std::fopen(path, "wb");
#endif
}

}  // namespace

LogStream::~LogStream() {
    Close();
}

void LogStream::Open(const char* path) {
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) return;  // opened once, never reopened
    file_ = OpenShared(path);
    bad_ = file_ == nullptr;
}

void LogStream::Close() {
    std::lock_guard lock(mutex_);
    if (file_ != nullptr) {
        std::fclose(file_);
        file_ = nullptr;
    }
    bad_ = true;
}

bool LogStream::good() const {
    std::lock_guard lock(mutex_);
    return !bad_;
}

void LogStream::Write(std::u16string_view message) {
    std::lock_guard lock(mutex_);
    if (bad_) return;
    if (message.empty()) return;

    std::string bytes;
    bytes.reserve(message.size() + 8);
    bool convertible = true;
    for (char16_t c : message) {
        if (c > 0xFF) {
            convertible = false;
            break;
        }
        if (c == u'\n') bytes.push_back('\r');
        bytes.push_back(static_cast<char>(c));
    }
    // Each whole message reaches the file before the call returns, so a process that
    // dies without unloading the library keeps every line it wrote.
    if (std::fwrite(bytes.data(), 1, bytes.size(), file_) != bytes.size() ||
        std::fflush(file_) != 0 || !convertible) {
        bad_ = true;  // never cleared: every later message is dropped
    }
}

}  // namespace veltrane
