// The credential cipher and exports over this file's own cipher calls (at its end), which
// can make any step fail.
#include "platform/credential_cipher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>

#include "fake_jni.h"
#include "frame/lifecycle.h"
#include "jni/natives.h"
#include "test_paths.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>

#include "platform/win32/crypt_calls.h"
#else
#include "platform/portable/cipher_calls.h"
#endif

namespace veltrane {
namespace {

// A failing step's call is not made: it answers as a refused one would.
enum class Step : unsigned {
    kCreateContainer,  // "Error 22" (Windows)
    kCreateHash,       // "Error 23"
    kHashData,         // "Error 24"
    kDeriveKey,        // "Error 25"
    kDeleteContainer,  // "Error 22-d" (Windows)
    kOpenMutex,        // the user's mutex can be neither created nor opened (Windows)
    kMutexHeld,        // another process holds the user's mutex for the whole wait
    kMutexAbandoned,   // a process ended holding it: the wait takes it over
};

constexpr unsigned Bit(Step step) {
    return 1U << static_cast<unsigned>(step);
}

std::atomic<unsigned> g_failing_steps{0};  // the Bit of each step that fails

bool StepFails(Step step) {
    return (g_failing_steps.load() & Bit(step)) != 0;
}

#ifdef _WIN32
// Handles not released yet, the mutex last opened and its wait.
std::atomic<int> g_live_crypt_handles{0};
std::wstring g_last_mutex_name;
std::atomic<unsigned long> g_last_wait{0};
#endif

// Known answers, made outside this code: CryptDeriveKey's key of the phrase's SHA-1
// (Python's hashlib), then `openssl enc -des-ede3-cbc -K <key> -iv 0`.
constexpr char16_t kTestPhrase[] = u"Known answers for the 3DES credentials!";
// 9 bytes, "abcd" and a stray "X": the odd byte is dropped.
constexpr platform::CredentialCipherText kOddBytes = {
    0xB5, 0x17, 0xDC, 0x6C, 0xD9, 0x8D, 0xC5, 0x66, 0x56, 0x60, 0xAA, 0x78, 0x9A, 0xBD, 0x15, 0x35};
// 16 raw bytes encrypted without padding: the padding is bad.
constexpr platform::CredentialCipherText kBadPadding = {
    0xB5, 0x17, 0xDC, 0x6C, 0xD9, 0x8D, 0xC5, 0x66, 0xEF, 0x50, 0x9E, 0x68, 0xFA, 0x8F, 0xDD, 0x40};

#ifdef _WIN32
// The key container from outside: opened (0), created or deleted.
bool Container(DWORD flags) {
    HCRYPTPROV provider = 0;
    const bool done =
        CryptAcquireContextW(&provider, L"Veltrane", MS_ENHANCED_PROV_W, PROV_RSA_FULL, flags);
    if (done && flags != CRYPT_DELETEKEYSET) CryptReleaseContext(provider, 0);
    return done;
}
#endif

// Each failing step logs its line and gives "" (through the export an empty string, not null),
// nothing left acquired; on Windows also the user's mutex and a container left behind.
TEST(Credentials, KnownAnswersAndFailingSteps) {
    const auto folder = testing::FreshFolder();
    std::filesystem::create_directories(folder / "log");
    std::filesystem::current_path(folder);
    ASSERT_TRUE(ProcessAttach());
    struct Case {
        unsigned failing;       // Bit(step) | ...
        const char* log;        // "" when the credential is given
        bool leftover = false;  // a container exists before the call
        bool left = false;      // and one after it
    };
    using enum Step;
    const Case cases[] = {
        {Bit(kCreateHash), "Error 23\r\n"},
        {Bit(kHashData), "Error 24\r\n"},
        {Bit(kDeriveKey), "Error 25\r\n"},
#ifdef _WIN32
        {Bit(kCreateContainer), "Error 22\r\n"},
        // A failed deletion discards the credential; the lines come in order.
        {Bit(kDeleteContainer), "Error 22-d\r\n", false, true},
        {Bit(kDeriveKey) | Bit(kDeleteContainer), "Error 25\r\nError 22-d\r\n", false, true},
        {Bit(kMutexHeld), "Error 22\r\n"},
        {Bit(kMutexAbandoned), ""},  // taken over
        {Bit(kOpenMutex), ""},       // the call goes on without
        // Without the mutex the container may be another decryption's: left alone.
        {Bit(kOpenMutex), "Error 22\r\n", true, true},
        // Replaced once only: the deletion fails, so does the second creation.
        {Bit(kDeleteContainer), "Error 22\r\n", true, true},
        {0, "", true, false},  // with the mutex a leftover is replaced
#endif
        {0, ""},  // nothing is left over from the failures
    };
    testing::FakeJvm vm;
    g_failing_steps = Bit(kCreateHash);
    const jstring password = Java_com_quorindel_veltrane_J_D_g202(vm.env(), nullptr, nullptr);
    g_failing_steps = 0;
    ASSERT_NE(password, nullptr);
    EXPECT_EQ(vm.StringValue(password), u"");
    EXPECT_TRUE(vm.violations().empty());
    const platform::PassPhrase phrase(kTestPhrase, platform::kPassPhraseChars);
    EXPECT_EQ(platform::DecryptCredential(kBadPadding, phrase), u"");
    std::string expected_log = "Error 23\r\nError 26\r\n";
#ifdef _WIN32
    // One for every logon session of the user, waited for 5 seconds.
    EXPECT_EQ(g_last_mutex_name.rfind(L"Global\\VeltraneCredentials-S-1-", 0), 0u);
    EXPECT_EQ(g_last_wait, 5000u);
#endif
    for (std::size_t row = 0; row < std::size(cases); ++row) {
        const Case& c = cases[row];
        SCOPED_TRACE(row);
#ifdef _WIN32
        ASSERT_TRUE(!c.leftover || Container(CRYPT_NEWKEYSET));
#endif
        g_failing_steps = c.failing;
        EXPECT_EQ(platform::DecryptCredential(kOddBytes, phrase), *c.log == '\0' ? u"abcd" : u"");
        g_failing_steps = 0;
        expected_log += c.log;
        EXPECT_EQ(testing::ReadFileBytes(testing::LogFileIn(folder)), expected_log);
#ifdef _WIN32
        EXPECT_EQ(g_live_crypt_handles, 0);
        EXPECT_EQ(Container(0), c.left);
        ASSERT_TRUE(!c.left || Container(CRYPT_DELETEKEYSET));
#endif
    }
    ProcessDetach();
}

}  // namespace
}  // namespace veltrane

// The cipher's calls, made for real unless their step fails (Windows handles counted).
#ifdef _WIN32
namespace veltrane::platform::win32::calls {
namespace {

bool Refused(Step step) {
    if (!StepFails(step)) return false;
    SetLastError(static_cast<DWORD>(NTE_FAIL));
    return true;
}

BOOL Counted(BOOL done, int change) {
    if (done || change < 0) g_live_crypt_handles += change;
    return done;
}

}  // namespace

BOOL AcquireContext(HCRYPTPROV* provider, const wchar_t* container, const wchar_t* provider_name,
                    DWORD provider_type, DWORD flags) {
    const bool deletion = (flags & CRYPT_DELETEKEYSET) != 0;
    if (Refused(deletion ? Step::kDeleteContainer : Step::kCreateContainer)) return FALSE;
    BOOL made = CryptAcquireContextW(provider, container, provider_name, provider_type, flags);
    return deletion ? made : Counted(made, 1);
}

BOOL ReleaseContext(HCRYPTPROV provider) {
    return Counted(CryptReleaseContext(provider, 0), -1);
}

BOOL CreateHash(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH* hash) {
    return !Refused(Step::kCreateHash) &&
           Counted(CryptCreateHash(provider, algorithm, 0, 0, hash), 1);
}

BOOL HashData(HCRYPTHASH hash, const BYTE* data, DWORD length) {
    return !Refused(Step::kHashData) && CryptHashData(hash, data, length, 0);
}

BOOL DestroyHash(HCRYPTHASH hash) {
    return Counted(CryptDestroyHash(hash), -1);
}

BOOL DeriveKey(HCRYPTPROV provider, ALG_ID algorithm, HCRYPTHASH hash, HCRYPTKEY* key) {
    return !Refused(Step::kDeriveKey) &&
           Counted(CryptDeriveKey(provider, algorithm, hash, 0, key), 1);
}

BOOL Decrypt(HCRYPTKEY key, BYTE* data, DWORD* length) {
    return CryptDecrypt(key, 0, TRUE, 0, data, length);
}

BOOL DestroyKey(HCRYPTKEY key) {
    return Counted(CryptDestroyKey(key), -1);
}

HANDLE OpenNamedMutex(const wchar_t* name) {
    if (StepFails(Step::kOpenMutex)) {
        SetLastError(ERROR_ACCESS_DENIED);
        return nullptr;
    }
    g_last_mutex_name = name;
    return CreateMutexW(nullptr, FALSE, name);
}

DWORD WaitForObject(HANDLE object, DWORD milliseconds) {
    g_last_wait = milliseconds;
    if (StepFails(Step::kMutexHeld)) return WAIT_TIMEOUT;  // without the wait itself
    const DWORD result = WaitForSingleObject(object, milliseconds);
    return result == WAIT_OBJECT_0 && StepFails(Step::kMutexAbandoned) ? WAIT_ABANDONED : result;
}

}  // namespace veltrane::platform::win32::calls
#else
namespace veltrane::platform::portable::calls {

bool BeginHash(scheme::Sha1& hash) {
    return !StepFails(Step::kCreateHash) && hash.Begin();
}

bool HashData(scheme::Sha1& hash, std::span<const std::uint8_t> data, scheme::Digest& digest) {
    return !StepFails(Step::kHashData) && hash.Update(data) && hash.Finish(digest);
}

bool DeriveKey(const scheme::Digest& digest, scheme::Key& key) {
    return !StepFails(Step::kDeriveKey) && scheme::DeriveKey(digest, key);
}

bool Decrypt(const scheme::Key& key, std::span<const std::uint8_t> ciphertext,
             std::span<std::uint8_t> plaintext, std::size_t& length) {
    return scheme::Decrypt(key, ciphertext, plaintext, length);
}

}  // namespace veltrane::platform::portable::calls
#endif
