// The credential cipher and the two exports, linked with the library's code: known answers
// computed outside this code (Python's hashlib and the openssl command line), bad padding,
// each failing step with its log line and nothing left acquired, and the user's mutex. On
// Windows builds this runs under Wine against its CryptoAPI.
#include "platform/credential_cipher.h"

#include <gtest/gtest.h>
#include <jni.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <filesystem>
#include <span>
#include <string>
#include <thread>
#include <vector>

#include "failing_steps.h"
#include "fake_jni.h"
#include "frame/lifecycle.h"
#include "jni/natives.h"
#include "key_container.h"
#include "test_paths.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>
#else
#include "platform/portable/credential_cipher_scheme.h"
#endif

namespace veltrane {
namespace {

using platform::CredentialCipherText;
using platform::DecryptCredential;
using testing::FailingSteps;
using testing::FakeJvm;
using testing::JniCall;
using testing::Step;
#ifdef _WIN32
using testing::ContainerExists;
using testing::DeleteContainer;
using testing::kContainer;
#endif

// Known answers, computed with hashlib and `openssl enc -des-ede3-cbc -K <key> -iv 0`.
constexpr char16_t kTestPhrase[] = u"Known answers for the 3DES credentials!";
// SHA-1 of the phrase's UTF-16LE bytes, and the key CryptDeriveKey makes of it.
constexpr std::uint8_t kTestDigest[] = {0xd4, 0x74, 0x7b, 0x31, 0xac, 0x56, 0xf1, 0xdd, 0x96, 0x7f,
                                        0x96, 0x7a, 0xdd, 0xae, 0x9e, 0xeb, 0xaa, 0xc4, 0x03, 0x5f};
constexpr std::uint8_t kTestKey[] = {0x5c, 0x00, 0x52, 0x9f, 0x15, 0xd4, 0x27, 0xa5,
                                     0xad, 0x6e, 0xcd, 0x5a, 0xe2, 0x91, 0x3b, 0x96,
                                     0xb0, 0x0e, 0xc0, 0xcd, 0x25, 0xcf, 0xc6, 0x52};

struct KnownAnswer {
    const char* name;
    CredentialCipherText ciphertext;
    std::u16string_view plaintext;
};

const KnownAnswer kKnownAnswers[] = {
    // 8 bytes: the padding is a whole block of its own.
    {"FourCharacters",
     {0xB5, 0x17, 0xDC, 0x6C, 0xD9, 0x8D, 0xC5, 0x66, 0x26, 0xA8, 0x75, 0x30, 0xBA, 0xFF, 0xAA,
      0x8C},
     u"abcd"},
    {"FiveCharacters",
     {0x85, 0x35, 0x3C, 0xFB, 0x88, 0xE1, 0xF7, 0x9A, 0x00, 0x38, 0xB9, 0x66, 0xB0, 0x4D, 0x1C,
      0xCC},
     u"Zq9!x"},
    // 14 bytes: two bytes of padding.
    {"SevenCharacters",
     {0xA1, 0x4B, 0x32, 0xF6, 0x54, 0xF6, 0x68, 0x6A, 0xA8, 0xD2, 0xD6, 0xC3, 0x5A, 0xBC, 0x7F,
      0xE8},
     u"Abc1234"},
    // 9 bytes ("abcd" and a stray "X"): the odd byte is not a code unit and is dropped.
    {"OddByteCountDropsTheLastByte",
     {0xB5, 0x17, 0xDC, 0x6C, 0xD9, 0x8D, 0xC5, 0x66, 0x56, 0x60, 0xAA, 0x78, 0x9A, 0xBD, 0x15,
      0x35},
     u"abcd"},
};

// Ciphertexts of 16 raw bytes (encrypted without padding) whose last block does not end
// in valid PKCS #5 padding.
const KnownAnswer kBadPadding[] = {
    {"LastByteZero",
     {0xB5, 0x17, 0xDC, 0x6C, 0xD9, 0x8D, 0xC5, 0x66, 0xFF, 0x5C, 0x64, 0x74, 0xE6, 0x9C, 0x4C,
      0x5A},
     u""},
    {"LastByteLongerThanABlock",
     {0xB5, 0x17, 0xDC, 0x6C, 0xD9, 0x8D, 0xC5, 0x66, 0xEB, 0x8D, 0xDC, 0x8C, 0x4E, 0x39, 0x85,
      0x64},
     u""},
    {"PaddingBytesDiffer",
     {0xB5, 0x17, 0xDC, 0x6C, 0xD9, 0x8D, 0xC5, 0x66, 0xEF, 0x50, 0x9E, 0x68, 0xFA, 0x8F, 0xDD,
      0x40},
     u""},
};

platform::PassPhrase TestPhrase() {
    static_assert(std::size(kTestPhrase) == platform::kPassPhraseChars + 1);
    return platform::PassPhrase(kTestPhrase, platform::kPassPhraseChars);
}

// The library attached in a fresh folder, so the log can be read back from disk.
class AttachedLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        folder_ = testing::FreshFolder();
        std::filesystem::create_directories(folder_ / "log");
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(folder_);
        ASSERT_TRUE(ProcessAttach());
    }
    void TearDown() override {
        ProcessDetach();
        std::filesystem::current_path(previous_);
#ifdef _WIN32
        EXPECT_FALSE(ContainerExists()) << "a call left the key container behind";
#endif
    }
    std::string Log() const {
        return testing::ReadFileBytes(testing::LogFileIn(folder_));
    }

    std::filesystem::path folder_;
    std::filesystem::path previous_;
};

using CredentialCipher = AttachedLibrary;

TEST_F(CredentialCipher, DecryptsKnownAnswers) {
    for (const KnownAnswer& answer : kKnownAnswers) {
        SCOPED_TRACE(answer.name);
        EXPECT_EQ(DecryptCredential(answer.ciphertext, TestPhrase()), answer.plaintext);
    }
    EXPECT_EQ(Log(), "");
}

TEST_F(CredentialCipher, BadPaddingIsAFailedDecryption) {
    std::string expected_log;
    for (const KnownAnswer& answer : kBadPadding) {
        SCOPED_TRACE(answer.name);
        EXPECT_EQ(DecryptCredential(answer.ciphertext, TestPhrase()), u"");
        expected_log += "Error 26\r\n";
        EXPECT_EQ(Log(), expected_log);
    }
}

#ifndef _WIN32
TEST(CredentialScheme, DerivesTheKeyAsCryptDeriveKeyDoes) {
    platform::scheme::Digest digest;
    std::copy(std::begin(kTestDigest), std::end(kTestDigest), digest.begin());
    platform::scheme::Key key{};
    ASSERT_TRUE(platform::scheme::DeriveKey(digest, key));
    EXPECT_TRUE(std::equal(key.begin(), key.end(), std::begin(kTestKey)));

    platform::scheme::Key from_phrase{};
    ASSERT_TRUE(platform::scheme::KeyFromPassPhrase(
        std::span(reinterpret_cast<const std::uint8_t*>(kTestPhrase), platform::kPassPhraseBytes),
        from_phrase));
    EXPECT_EQ(from_phrase, key);
}
#endif

// --- The exports ------------------------------------------------------------------------

using Export = jstring(JNICALL*)(JNIEnv*, jclass, jstring);

std::u16string Call(Export method, FakeJvm& jvm, jstring argument = nullptr) {
    jstring result = method(jvm.env(), jvm.MakeClass("com/quorindel/veltrane/J/D"), argument);
    EXPECT_NE(result, nullptr);
    EXPECT_FALSE(jvm.exception_pending());
    EXPECT_TRUE(jvm.violations().empty());
    return result != nullptr ? jvm.StringValue(result) : u"<null>";
}

using CredentialExports = AttachedLibrary;

TEST_F(CredentialExports, GiveTheSealedCredentialsWhateverTheArgument) {
    FakeJvm jvm;
    std::u16string user = Call(Java_com_quorindel_veltrane_J_D_g201, jvm);
    std::u16string password = Call(Java_com_quorindel_veltrane_J_D_g202, jvm);
    if (VELTRANE_DEFAULT_CREDENTIALS) {
        EXPECT_EQ(user, u"qrdlapp");
        EXPECT_EQ(password, u"M4x!pq9");
    }
    EXPECT_GE(user.size(), platform::kCredentialMinChars);
    EXPECT_GE(password.size(), platform::kCredentialMinChars);
    for (jstring argument : {jvm.MakeString(u""), jvm.MakeString(u"anything at all")}) {
        EXPECT_EQ(Call(Java_com_quorindel_veltrane_J_D_g201, jvm, argument), user);
        EXPECT_EQ(Call(Java_com_quorindel_veltrane_J_D_g202, jvm, argument), password);
    }
    // The argument is never looked at (the fake aborts on any look at a string).
    EXPECT_EQ(Log(), "");
}

TEST_F(CredentialExports, EachFailingStepLogsItsLineAndGivesAnEmptyString) {
    struct Case {
        Step step;
        const char* line;
    };
    const Case cases[] = {
#ifdef _WIN32
        {Step::kCreateContainer, "Error 22\r\n"},
#endif
        {Step::kCreateHash, "Error 23\r\n"},      {Step::kHashData, "Error 24\r\n"},
        {Step::kDeriveKey, "Error 25\r\n"},       {Step::kDecrypt, "Error 26\r\n"},
    };
    FakeJvm jvm;
    std::string expected_log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        {
            FailingSteps failing({c.step});
            EXPECT_EQ(Call(Java_com_quorindel_veltrane_J_D_g201, jvm), u"");
            expected_log += c.line;
            EXPECT_EQ(Call(Java_com_quorindel_veltrane_J_D_g202, jvm), u"");
            expected_log += c.line;
        }
        EXPECT_EQ(Log(), expected_log);
#ifdef _WIN32
        // What was acquired before the failing step is released.
        EXPECT_EQ(testing::LiveCryptHandles(), 0);
        EXPECT_FALSE(ContainerExists());
#endif
    }
    // Nothing is left over from the failures: the next calls succeed.
    EXPECT_NE(Call(Java_com_quorindel_veltrane_J_D_g201, jvm), u"");
    EXPECT_EQ(Log(), expected_log);
}

#ifdef _WIN32
TEST_F(CredentialExports, AFailedDeletionDiscardsTheCredentialAndLeavesTheContainer) {
    FakeJvm jvm;
    {
        FailingSteps failing({Step::kDeleteContainer});
        EXPECT_EQ(Call(Java_com_quorindel_veltrane_J_D_g201, jvm), u"");
    }
    EXPECT_EQ(Log(), "Error 22-d\r\n");
    EXPECT_TRUE(ContainerExists());
    ASSERT_TRUE(DeleteContainer());
}

TEST_F(CredentialExports, AFailingStepAndAFailedDeletionLogTwoLinesInOrder) {
    FakeJvm jvm;
    {
        FailingSteps failing({Step::kDeriveKey, Step::kDeleteContainer});
        EXPECT_EQ(Call(Java_com_quorindel_veltrane_J_D_g202, jvm), u"");
    }
    EXPECT_EQ(Log(), "Error 25\r\nError 22-d\r\n");
    ASSERT_TRUE(DeleteContainer());
}

// The user's mutex as another thread of this process leaves it (a thread owns a mutex
// as a process does), and a container left behind, with and without the mutex.
TEST_F(CredentialExports, TheUsersMutexAndALeftoverContainer) {
    enum class Holder { kNone, kHolding, kEndedHolding };
    struct Case {
        const char* name;
        Holder holder;
        bool leftover;  // a container exists before the call
        std::vector<Step> failing;
        bool credential;  // else "" and "Error 22"
    };
    const Case cases[] = {
        {"HeldForTheWholeWait", Holder::kHolding, false, {}, false},
        {"AbandonedIsTakenOver", Holder::kEndedHolding, false, {}, true},
        {"UnavailableGoesOnWithout", Holder::kNone, false, {Step::kOpenMutex}, true},
        // Without the mutex the container may be another decryption's: left alone.
        {"LeftoverKeptWithoutTheMutex", Holder::kNone, true, {Step::kOpenMutex}, false},
        // Replaced once only: the deletion fails, so does the second creation.
        {"LeftoverThatCannotBeDeleted", Holder::kNone, true, {Step::kDeleteContainer}, false},
    };
    FakeJvm jvm;
    const std::u16string user = Call(Java_com_quorindel_veltrane_J_D_g201, jvm);
    const std::wstring name = testing::LastMutexName();
    EXPECT_EQ(name.rfind(L"Global\\", 0), 0u) << "shared by every logon session";
    EXPECT_NE(name.find(L"-S-1-"), std::wstring::npos) << "the user's SID";
    const unsigned long wait = testing::LastMutexWaitMilliseconds();
    EXPECT_TRUE(wait >= 1000 && wait <= 10000) << wait;
    std::string expected_log;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HANDLE kept = CreateMutexW(nullptr, FALSE, name.c_str());  // outlives the holder
        ASSERT_NE(kept, nullptr);
        std::atomic<bool> taken{false}, done{false};
        std::thread holder;
        if (c.holder != Holder::kNone) {
            holder = std::thread([&] {
                WaitForSingleObject(kept, INFINITE);
                taken = true;
                while (c.holder == Holder::kHolding && !done) Sleep(1);
                if (c.holder == Holder::kHolding) ReleaseMutex(kept);
            });
            while (!taken) Sleep(1);
            if (c.holder == Holder::kEndedHolding) holder.join();
        }
        HCRYPTPROV held = 0;
        if (c.leftover) {
            ASSERT_TRUE(CryptAcquireContextW(&held, kContainer, MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                                             CRYPT_NEWKEYSET));
            CryptReleaseContext(held, 0);
        }
        {
            FailingSteps failing(c.failing);
            EXPECT_EQ(Call(Java_com_quorindel_veltrane_J_D_g201, jvm), c.credential ? user : u"");
        }
        done = true;
        if (holder.joinable()) holder.join();
        CloseHandle(kept);
        if (!c.credential) expected_log += "Error 22\r\n";
        EXPECT_EQ(Log(), expected_log);
        EXPECT_EQ(ContainerExists(), c.leftover);
        if (c.leftover) {
            ASSERT_TRUE(DeleteContainer());
        }
        EXPECT_EQ(testing::LiveCryptHandles(), 0);
    }
}
#endif

TEST_F(CredentialExports, NewStringFailingGivesNullWithNoExceptionLeft) {
    FakeJvm jvm;
    jvm.FailCall(JniCall::kNewString);
    jstring result = Java_com_quorindel_veltrane_J_D_g201(jvm.env(), nullptr, nullptr);
    EXPECT_EQ(result, nullptr);
    EXPECT_FALSE(jvm.exception_pending());
    EXPECT_TRUE(jvm.violations().empty());
    EXPECT_EQ(Log(), "");
}

}  // namespace
}  // namespace veltrane
