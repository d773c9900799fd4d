// The mutex that serialises credential decryptions across every process of one Windows
// user, in every logon session: "Global\" (a mutex there needs no privilege) and a name
// holding the user's SID. The key container belongs to the user, so this is the scope in
// which two decryptions can collide.
#pragma once

#include <windows.h>

namespace veltrane::platform::win32 {

class UserMutex {
  public:
    // How long a decryption waits for another one to end; one takes milliseconds.
    static constexpr DWORD kWaitMilliseconds = 5000;

    // Creates the mutex, or opens it when another process has; does not wait for it.
    UserMutex();
    // Releases it when owned, then closes it.
    ~UserMutex();
    UserMutex(const UserMutex&) = delete;
    UserMutex& operator=(const UserMutex&) = delete;

    // False when the mutex could be neither created nor opened.
    bool exists() const { return handle_ != nullptr; }
    // Waits a bounded time. True once owned, also when a process that owned it died
    // without releasing it; false on a time-out or a failed wait.
    bool Take();

  private:
    HANDLE handle_ = nullptr;
    bool owned_ = false;
};

}  // namespace veltrane::platform::win32
