// The Windows calls of the credential cipher: CryptoAPI and the user's mutex. The cipher
// makes them only through these functions. The library links crypt_calls.cpp, which
// passes each one straight on; a test program may link its own definitions instead, to
// make a call fail without making it.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

namespace veltrane::platform::win32::calls {

BOOL AcquireContext(HCRYPTPROV* provider, const wchar_t* container, const wchar_t* provider_name,
                    DWORD provider_type, DWORD flags);
BOOL ReleaseContext(HCRYPTPROV provider);
BOOL CreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH* hash);
BOOL HashData(HCRYPTHASH hash, const BYTE* data, DWORD length);
BOOL DestroyHash(HCRYPTHASH hash);
BOOL DeriveKey(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH hash, HCRYPTKEY* key);
BOOL Decrypt(HCRYPTKEY key, BYTE* data, DWORD* length);  // the final block, no hash
BOOL DestroyKey(HCRYPTKEY key);

// A named mutex, created unowned or opened when it exists; null when neither works.
HANDLE OpenNamedMutex(const wchar_t* name);
DWORD WaitForObject(HANDLE object, DWORD milliseconds);

}  // namespace veltrane::platform::win32::calls
