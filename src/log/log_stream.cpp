#include "log/log_stream.h"

#include <array>

#ifdef _WIN32
#include <share.h>
#endif

namespace veltrane {

namespace {

// The stack buffer a message is converted into, piece by piece.
constexpr std::size_t kPieceBytes = 256;

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
    if (bad_ || message.empty()) return;
    // The 8-bit form goes out through a small buffer of our own, a piece at a time, so a
    // message costs no allocation: the log must work when memory has run out.
    std::array<char, kPieceBytes> piece;
    std::size_t used = 0;
    bool written = true;
    const auto put_piece = [&] {
        written = std::fwrite(piece.data(), 1, used, file_) == used && written;
        used = 0;
    };
    bool convertible = true;
    for (char16_t c : message) {
        if (c > 0xFF) {
            convertible = false;  // no 8-bit form: what came before is still written
            break;
        }
        if (used + 2 > piece.size()) put_piece();  // room for "\r\n"
        if (c == u'\n') piece[used++] = '\r';
        piece[used++] = static_cast<char>(c);
    }
    put_piece();
    // Each whole message reaches the file before the call returns, so a process that
    // dies without unloading the library keeps every line it wrote.
    if (!written || !convertible || std::fflush(file_) != 0) {
        bad_ = true;  // never cleared: every later message is dropped
    }
}

}  // namespace veltrane
