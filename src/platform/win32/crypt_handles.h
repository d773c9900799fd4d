// CryptoAPI handles, each released when its owner goes: a key with CryptDestroyKey, a
// hash with CryptDestroyHash, a provider context with CryptReleaseContext. Declared in
// creation order, they go in the reverse order.
#pragma once

#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <utility>

namespace veltrane::platform::win32 {

template <typename Handle, BOOL(WINAPI* Release)(Handle)>
class CryptHandle {
  public:
    CryptHandle() = default;
    ~CryptHandle() { Reset(); }
    CryptHandle(const CryptHandle&) = delete;
    CryptHandle& operator=(const CryptHandle&) = delete;

    Handle get() const { return handle_; }
    // Takes over a handle the API has just returned.
    void Adopt(Handle handle) {
        Reset();
        handle_ = handle;
    }
    void Reset() {
        if (handle_ != 0) Release(std::exchange(handle_, 0));
    }

  private:
    Handle handle_ = 0;
};

inline BOOL WINAPI DestroyKey(HCRYPTKEY key) {
    return CryptDestroyKey(key);
}
inline BOOL WINAPI DestroyHash(HCRYPTHASH hash) {
    return CryptDestroyHash(hash);
}
inline BOOL WINAPI ReleaseContext(HCRYPTPROV provider) {
    return CryptReleaseContext(provider, 0);
}

using CryptKey = CryptHandle<HCRYPTKEY, DestroyKey>;
using CryptHash = CryptHandle<HCRYPTHASH, DestroyHash>;
using CryptContext = CryptHandle<HCRYPTPROV, ReleaseContext>;

}  // namespace veltrane::platform::win32
