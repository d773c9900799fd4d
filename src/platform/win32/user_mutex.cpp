// The user's mutex: its name from the SID of the thread's user (the impersonated one when
// the thread impersonates, as the key store then is that user's), with no allocation.
#include "platform/win32/user_mutex.h"

#include <sddl.h>

#include <cwchar>
#include <iterator>

#include "platform/win32/crypt_calls.h"

namespace veltrane::platform::win32 {
namespace {

constexpr wchar_t kMutexPrefix[] = L"Global\\VeltraneCredentials-";
// "S-1-" and at most 15 sub-authorities of 10 digits, with their dashes.
constexpr std::size_t kMutexNameChars = std::size(kMutexPrefix) + 200;

class Token {
  public:
    Token() {
        if (!OpenThreadToken(GetCurrentThread(), TOKEN_QUERY, TRUE, &handle_) &&
            !OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &handle_)) {
            handle_ = nullptr;
        }
    }
    ~Token() {
        if (handle_ != nullptr) CloseHandle(handle_);
    }
    Token(const Token&) = delete;
    Token& operator=(const Token&) = delete;
    HANDLE get() const { return handle_; }

  private:
    HANDLE handle_ = nullptr;
};

// The mutex's name for the thread's user; false when the user's SID cannot be read.
bool MutexName(wchar_t (&name)[kMutexNameChars]) {
    Token token;
    if (token.get() == nullptr) return false;
    alignas(TOKEN_USER) BYTE user[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
    DWORD size = 0;
    if (!GetTokenInformation(token.get(), TokenUser, user, sizeof user, &size)) return false;
    wchar_t* sid = nullptr;
    if (!ConvertSidToStringSidW(reinterpret_cast<TOKEN_USER*>(user)->User.Sid, &sid)) {
        return false;
    }
    const bool fits = std::size(kMutexPrefix) + std::wcslen(sid) <= kMutexNameChars;
    if (fits) {
        std::wcscpy(name, kMutexPrefix);
        std::wcscat(name, sid);
    }
    LocalFree(sid);
    return fits;
}

}  // namespace

UserMutex::UserMutex() {
    wchar_t name[kMutexNameChars];
    if (MutexName(name)) handle_ = calls::OpenNamedMutex(name);
}

UserMutex::~UserMutex() {
    if (handle_ == nullptr) return;
    if (owned_) ReleaseMutex(handle_);
    CloseHandle(handle_);
}

bool UserMutex::Take() {
    const DWORD result = calls::WaitForObject(handle_, kWaitMilliseconds);
    owned_ = result == WAIT_OBJECT_0 || result == WAIT_ABANDONED;
    return owned_;
}

}  // namespace veltrane::platform::win32
