// The credential cipher through CryptoAPI. Each decryption creates the key container
// "Veltrane" in the user's key store, hashes the pass phrase, derives the Triple DES key,
// decrypts, and then releases everything in reverse order and deletes the container.
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

#include "log/log.h"
#include "platform/credential_cipher.h"
#include "platform/win32/crypt_handles.h"

namespace veltrane::platform {
namespace {

using win32::CryptContext;
using win32::CryptHash;
using win32::CryptKey;

constexpr const wchar_t* kContainerName = L"Veltrane";
constexpr const wchar_t* kProviderName = L"Microsoft Enhanced Cryptographic Provider v1.0";
constexpr DWORD kProviderType = PROV_RSA_FULL;

bool Fails(CredentialStep step, BOOL result) {
    return StepFailsForTest(step) || !result;
}

// The key container of one decryption: created by Create, deleted by Delete (or when the
// object goes, should Delete not have been reached). Its provider context is released
// before the deletion, which ends the container's use.
class KeyContainer {
  public:
    KeyContainer() = default;
    ~KeyContainer() {
        if (created_) Delete();
    }
    KeyContainer(const KeyContainer&) = delete;
    KeyContainer& operator=(const KeyContainer&) = delete;

    bool Create() {
        if (StepFailsForTest(CredentialStep::kAcquireContext)) return false;
        HCRYPTPROV provider = 0;
        if (!CryptAcquireContextW(&provider, kContainerName, kProviderName, kProviderType,
                                  CRYPT_NEWKEYSET)) {
            return false;
        }
        context_.Adopt(provider);
        created_ = true;
        return true;
    }

    HCRYPTPROV context() const { return context_.get(); }

    bool Delete() {
        context_.Reset();
        created_ = false;
        if (StepFailsForTest(CredentialStep::kDeleteContainer)) return false;
        HCRYPTPROV unused = 0;  // undefined after a deletion; nothing to release
        return CryptAcquireContextW(&unused, kContainerName, kProviderName, kProviderType,
                                    CRYPT_DELETEKEYSET) != FALSE;
    }

  private:
    CryptContext context_;
    bool created_ = false;
};

// Steps 2 to 6 in the container's context. The key goes before the hash.
WideString DecryptIn(HCRYPTPROV provider, const CredentialCipherText& ciphertext,
                     PassPhrase phrase) {
    CryptHash hash;
    CryptKey key;
    HCRYPTHASH raw_hash = 0;
    if (Fails(CredentialStep::kCreateHash, CryptCreateHash(provider, CALG_SHA1, 0, 0, &raw_hash))) {
        WriteLog(u"Error 23\n");
        return {};
    }
    hash.Adopt(raw_hash);
    if (Fails(CredentialStep::kHashData,
              CryptHashData(hash.get(), reinterpret_cast<const BYTE*>(phrase.data()),
                            static_cast<DWORD>(kPassPhraseBytes), 0))) {
        WriteLog(u"Error 24\n");
        return {};
    }
    HCRYPTKEY raw_key = 0;
    if (Fails(CredentialStep::kDeriveKey,
              CryptDeriveKey(provider, CALG_3DES, hash.get(), 0, &raw_key))) {
        WriteLog(u"Error 25\n");
        return {};
    }
    key.Adopt(raw_key);

    BYTE buffer[kCredentialCipherBytes];  // this call's own copy, decrypted in place
    std::memcpy(buffer, ciphertext.data(), sizeof buffer);
    DWORD length = sizeof buffer;
    if (Fails(CredentialStep::kDecrypt, CryptDecrypt(key.get(), 0, TRUE, 0, buffer, &length))) {
        SecureZeroMemory(buffer, sizeof buffer);
        WriteLog(u"Error 26\n");
        return {};
    }
    WideString result(std::min<DWORD>(length, sizeof buffer) / sizeof(char16_t), u'\0');
    std::memcpy(result.data(), buffer, result.size() * sizeof(char16_t));
    SecureZeroMemory(buffer, sizeof buffer);
    return result;
}

// Held for a whole decryption, from the container's creation to its deletion.
class DecryptionLock {
  public:
    DecryptionLock() { AcquireSRWLockExclusive(&lock_); }
    ~DecryptionLock() { ReleaseSRWLockExclusive(&lock_); }
    DecryptionLock(const DecryptionLock&) = delete;
    DecryptionLock& operator=(const DecryptionLock&) = delete;

  private:
    static inline SRWLOCK lock_ = SRWLOCK_INIT;
};

}  // namespace

WideString DecryptCredential(const CredentialCipherText& ciphertext, PassPhrase phrase) {
    DecryptionLock one_at_a_time;
    KeyContainer container;
    if (!container.Create()) {
        WriteLog(u"Error 22\n");
        return {};
    }
    WideString result = DecryptIn(container.context(), ciphertext, phrase);
    if (!container.Delete()) {
        WriteLog(u"Error 22-d\n");
        WipeCredential(result);  // a credential is only handed out when nothing is left over
    }
    return result;
}

void WipeCredential(WideString& text) {
    SecureZeroMemory(text.data(), text.size() * sizeof(char16_t));
    text.clear();
}

}  // namespace veltrane::platform
