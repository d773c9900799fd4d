// The credential cipher through CryptoAPI. Each decryption creates the key container
// "Veltrane" in the user's key store, hashes the pass phrase, derives the Triple DES key,
// decrypts, and then releases everything in reverse order and deletes the container.
// The whole sequence runs under the user's mutex, so that decryptions in other processes
// of the same user never meet the container of this one.
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include <algorithm>
#include <cstring>

#include "log/log.h"
#include "platform/credential_cipher.h"
#include "platform/win32/crypt_calls.h"
#include "platform/win32/crypt_handles.h"
#include "platform/win32/user_mutex.h"

namespace veltrane::platform {
namespace {

using win32::CryptContext;
using win32::CryptHash;
using win32::CryptKey;
using win32::UserMutex;
namespace calls = win32::calls;

constexpr const wchar_t* kContainerName = L"Veltrane";
constexpr const wchar_t* kProviderName = L"Microsoft Enhanced Cryptographic Provider v1.0";
constexpr DWORD kProviderType = PROV_RSA_FULL;

bool DeleteContainer() {
    HCRYPTPROV unused = 0;  // undefined after a deletion; nothing to release
    return calls::AcquireContext(&unused, kContainerName, kProviderName, kProviderType,
                                 CRYPT_DELETEKEYSET) != FALSE;
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

    // With the user's mutex held no other decryption of this user is running, so a
    // container that already exists is a leftover (of a process that died before its
    // deletion, or of a deletion that failed): it is deleted and created again, once.
    // Without the mutex it may be another decryption's, and is left alone.
    bool Create(bool leftover_is_ours) {
        if (Acquire()) return true;
        if (!leftover_is_ours || GetLastError() != static_cast<DWORD>(NTE_EXISTS)) return false;
        DeleteContainer();  // should this fail, so does the second creation
        return Acquire();
    }

    HCRYPTPROV context() const { return context_.get(); }

    bool Delete() {
        context_.Reset();
        created_ = false;
        return DeleteContainer();
    }

  private:
    bool Acquire() {
        HCRYPTPROV provider = 0;
        if (!calls::AcquireContext(&provider, kContainerName, kProviderName, kProviderType,
                                   CRYPT_NEWKEYSET)) {
            return false;
        }
        context_.Adopt(provider);
        created_ = true;
        return true;
    }

    CryptContext context_;
    bool created_ = false;
};

// Steps 2 to 6 in the container's context. The key goes before the hash.
WideString DecryptIn(HCRYPTPROV provider, const CredentialCipherText& ciphertext,
                     PassPhrase phrase) {
    CryptHash hash;
    CryptKey key;
    HCRYPTHASH raw_hash = 0;
    if (!calls::CreateHash(provider, CALG_SHA1, &raw_hash)) {
        WriteLog(u"Error 23\n");
        return {};
    }
    hash.Adopt(raw_hash);
    if (!calls::HashData(hash.get(), reinterpret_cast<const BYTE*>(phrase.data()),
                         static_cast<DWORD>(kPassPhraseBytes))) {
        WriteLog(u"Error 24\n");
        return {};
    }
    HCRYPTKEY raw_key = 0;
    if (!calls::DeriveKey(provider, CALG_3DES, hash.get(), &raw_key)) {
        WriteLog(u"Error 25\n");
        return {};
    }
    key.Adopt(raw_key);

    BYTE buffer[kCredentialCipherBytes];  // this call's own copy, decrypted in place
    std::memcpy(buffer, ciphertext.data(), sizeof buffer);
    DWORD length = sizeof buffer;
    if (!calls::Decrypt(key.get(), buffer, &length)) {
        SecureZeroMemory(buffer, sizeof buffer);
        WriteLog(u"Error 26\n");
        return {};
    }
    WideString result(std::min<DWORD>(length, sizeof buffer) / sizeof(char16_t), u'\0');
    std::memcpy(result.data(), buffer, result.size() * sizeof(char16_t));
    SecureZeroMemory(buffer, sizeof buffer);
    return result;
}

// Held for a whole decryption, before the user's mutex: the threads of this process queue
// here without a time-out, and still take turns when the mutex cannot be had at all.
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
    UserMutex user_mutex;  // declared before the container: released after its deletion
    // Without the mutex the decryption goes on alone, as it can.
    const bool serialised = user_mutex.exists();
    if (serialised && !user_mutex.Take()) {
        WriteLog(u"Error 22\n");  // another process held it for the whole wait
        return {};
    }
    KeyContainer container;
    if (!container.Create(serialised)) {
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
