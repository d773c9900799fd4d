// The cipher's Windows calls for the unit tests: each made for real unless its step
// fails, and every handle counted from its acquisition to its release.
#include <algorithm>
#include <atomic>
#include <mutex>
#include <string>

#include "failing_steps.h"
#include "platform/win32/crypt_calls.h"

namespace veltrane::platform::win32::calls {
namespace {

using testing::Step;
using testing::StepFails;

constexpr DWORD kLongestRealWait = 200;

std::atomic<int> g_live{0};
std::atomic<unsigned long> g_lastWait{0};
std::mutex g_nameLock;
std::wstring g_lastName;

BOOL Refuse() {
    SetLastError(static_cast<DWORD>(NTE_FAIL));
    return FALSE;
}

BOOL Counted(BOOL made) {
    if (made) ++g_live;
    return made;
}

BOOL Released(BOOL released) {
    --g_live;
    return released;
}

}  // namespace

BOOL AcquireContext(HCRYPTPROV* provider, const wchar_t* container, const wchar_t* provider_name,
                    DWORD provider_type, DWORD flags) {
    const bool deletion = (flags & CRYPT_DELETEKEYSET) != 0;
    if (StepFails(deletion ? Step::kDeleteContainer : Step::kCreateContainer)) return Refuse();
    BOOL made = CryptAcquireContextW(provider, container, provider_name, provider_type, flags);
    return deletion ? made : Counted(made);
}

BOOL ReleaseContext(HCRYPTPROV provider) {
    return Released(CryptReleaseContext(provider, 0));
}

BOOL CreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH* hash) {
    if (StepFails(Step::kCreateHash)) return Refuse();
    return Counted(CryptCreateHash(provider, algorithm, 0, 0, hash));
}

BOOL HashData(HCRYPTHASH hash, const BYTE* data, DWORD length) {
    if (StepFails(Step::kHashData)) return Refuse();
    return CryptHashData(hash, data, length, 0);
}

BOOL DestroyHash(HCRYPTHASH hash) {
    return Released(CryptDestroyHash(hash));
}

BOOL DeriveKey(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH hash, HCRYPTKEY* key) {
    if (StepFails(Step::kDeriveKey)) return Refuse();
    return Counted(CryptDeriveKey(provider, algorithm, hash, 0, key));
}

BOOL Decrypt(HCRYPTKEY key, BYTE* data, DWORD* length) {
    if (StepFails(Step::kDecrypt)) return Refuse();
    return CryptDecrypt(key, 0, TRUE, 0, data, length);
}

BOOL DestroyKey(HCRYPTKEY key) {
    return Released(CryptDestroyKey(key));
}

HANDLE OpenNamedMutex(const wchar_t* name) {
    if (StepFails(Step::kOpenMutex)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    {
        std::lock_guard lock(g_nameLock);
        g_lastName = name;
    }
    return CreateMutexW(nullptr, FALSE, name);
}

DWORD WaitForObject(HANDLE object, DWORD milliseconds) {
    g_lastWait = milliseconds;
    return WaitForSingleObject(object, std::min(milliseconds, kLongestRealWait));
}

}  // namespace veltrane::platform::win32::calls

namespace veltrane::testing {

int LiveCryptHandles() {
    return platform::win32::calls::g_live.load();
}

std::wstring LastMutexName() {
    std::lock_guard lock(platform::win32::calls::g_nameLock);
    return platform::win32::calls::g_lastName;
}

unsigned long LastMutexWaitMilliseconds() {
    return platform::win32::calls::g_lastWait.load();
}

}  // namespace veltrane::testing
