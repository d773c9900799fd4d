// The CryptoAPI key container the library uses for one decryption, as the Windows tests
// look at it from outside: whether it exists, and removing one left behind.
#pragma once

#ifdef _WIN32
#include <gtest/gtest.h>
#include <windows.h>
// windows.h first: wincrypt.h needs its types.
#include <wincrypt.h>

namespace veltrane::testing {

inline constexpr const wchar_t* kContainer = L"Veltrane";

// Whether the key container exists, by opening it as it stands.
inline bool ContainerExists() {
    HCRYPTPROV provider = 0;
    if (CryptAcquireContextW(&provider, kContainer, MS_ENHANCED_PROV_W, PROV_RSA_FULL, 0)) {
        CryptReleaseContext(provider, 0);
        return true;
    }
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(NTE_BAD_KEYSET));
    return false;
}

inline bool DeleteContainer() {
    HCRYPTPROV unused = 0;
    return CryptAcquireContextW(&unused, kContainer, MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                                CRYPT_DELETEKEYSET) != FALSE;
}

}  // namespace veltrane::testing
#endif
