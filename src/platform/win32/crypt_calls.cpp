// The cipher's Windows calls, each passed straight on to Windows.
#include "platform/win32/crypt_calls.h"

namespace veltrane::platform::win32::calls {

BOOL AcquireContext(HCRYPTPROV* provider, const wchar_t* container, const wchar_t* provider_name,
                    DWORD provider_type, DWORD flags) {
    return CryptAcquireContextW(provider, container, provider_name, provider_type, flags);
}

BOOL ReleaseContext(HCRYPTPROV provider) {
    return CryptReleaseContext(provider, 0);
}

BOOL CreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH* hash) {
    return CryptCreateHash(provider, algorithm, 0, 0, hash);
}

BOOL HashData(HCRYPTHASH hash, const BYTE* data, DWORD length) {
    return CryptHashData(hash, data, length, 0);
}

BOOL DestroyHash(HCRYPTHASH hash) {
    return CryptDestroyHash(hash);
}

BOOL DeriveKey(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH hash, HCRYPTKEY* key) {
    return CryptDeriveKey(provider, algorithm, hash, 0, key);
}

BOOL Decrypt(HCRYPTKEY key, BYTE* data, DWORD* length) {
    return CryptDecrypt(key, 0, TRUE, 0, data, length);
}

BOOL DestroyKey(HCRYPTKEY key) {
    return CryptDestroyKey(key);
}

HANDLE OpenNamedMutex(const wchar_t* name) {
    return CreateMutexW(nullptr, FALSE, name);
}

DWORD WaitForObject(HANDLE object, DWORD milliseconds) {
    return WaitForSingleObject(object, milliseconds);
}

}  // namespace veltrane::platform::win32::calls
