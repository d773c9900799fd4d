// The diagnostic log: 8-bit text, CR LF line ends on every platform, whole messages
// written under one lock and handed to the file before WriteLog returns.
#pragma once

#include <cstdio>
#include <mutex>
#include <string_view>

namespace veltrane {

class LogStream {
  public:
    LogStream() = default;
    ~LogStream();
    LogStream(const LogStream&) = delete;
    LogStream& operator=(const LogStream&) = delete;

    // Creates or empties the file; the outcome is only kept as the stream's state.
    void Open(const char* path);
    void Close();

    // Writes the characters as they stand. A character above U+00FF has no 8-bit form:
    // the characters before it are written, the rest is not, and the stream turns bad.
    void Write(std::u16string_view message);

    bool good() const;

  private:
    mutable std::mutex mutex_;
    std::FILE* file_ = nullptr;
    bool bad_ = true;  // not good until opened
};

}  // namespace veltrane
