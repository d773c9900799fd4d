// CryptoAPI handles, each released when its owner goes: a key with CryptDestroyKey, a
// hash with CryptDestroyHash, a provider context with CryptReleaseContext. Declared in
// creation order, they go in the reverse order.
#pragma once

#include <utility>

#include "platform/win32/crypt_calls.h"

namespace veltrane::platform::win32 {

template <typename Handle, BOOL (*Release)(Handle)>
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

using CryptKey = CryptHandle<HCRYPTKEY, calls::DestroyKey>;
using CryptHash = CryptHandle<HCRYPTHASH, calls::DestroyHash>;
using CryptContext = CryptHandle<HCRYPTPROV, calls::ReleaseContext>;

}  // namespace veltrane::platform::win32
