// g201 and g202 of the built binary, loaded as the JVM loads it: the sealed credentials
// come back on every call and whatever the argument; on Windows a key container
// "Veltrane" that another process left behind is replaced by the next call.
#include <gtest/gtest.h>
#include <jni.h>

#include <filesystem>
#include <string>

#include "child_process.h"
#include "expected_credentials.h"
#include "fake_jni.h"
#include "key_container.h"
#include "loaded_library.h"
#include "test_paths.h"

#ifdef _WIN32
#include <windows.h>
// after windows.h, which it needs
#include <wincrypt.h>
#endif

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::FreshFolder;
using testing::LoadedLibrary;
using testing::ReadFileBytes;
#ifdef _WIN32
using testing::ContainerExists;
using testing::kContainer;
#endif

using Method = jstring(JNICALL*)(JNIEnv*, jclass, jstring);

std::string Ascii(std::u16string_view text) {
    return std::string(text.begin(), text.end());
}

class CredentialLibrary : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(library_.loaded());
        g201_ = library_.Function<Method>(
            testing::NativeExportName("Java_com_quorindel_veltrane_J_D_g201", 12));
        g202_ = library_.Function<Method>(
            testing::NativeExportName("Java_com_quorindel_veltrane_J_D_g202", 12));
        ASSERT_NE(g201_, nullptr);
        ASSERT_NE(g202_, nullptr);
    }

    std::u16string Call(Method method, jstring argument) {
        jstring result = method(jvm_.env(), jvm_.MakeClass("com/quorindel/veltrane/J/D"), argument);
        EXPECT_NE(result, nullptr);
        EXPECT_FALSE(jvm_.exception_pending());
        return result != nullptr ? jvm_.StringValue(result) : u"<null>";
    }

    LoadedLibrary library_{testing::BuiltLibrary()};
    FakeJvm jvm_;
    Method g201_ = nullptr;
    Method g202_ = nullptr;
};

TEST_F(CredentialLibrary, ReturnsTheSameCredentialsOnEveryCallWhateverTheArgument) {
    const std::u16string user = Call(g201_, nullptr);
    const std::u16string password = Call(g202_, nullptr);
    if (VELTRANE_DEFAULT_CREDENTIALS) {
        EXPECT_EQ(user, testing::kDefaultUserName);
        EXPECT_EQ(password, testing::kDefaultPassword);
    } else {
        EXPECT_FALSE(user.empty());
        EXPECT_FALSE(password.empty());
    }
    for (jstring argument : {static_cast<jstring>(nullptr), jvm_.MakeString(u""),
                             jvm_.MakeString(u"qrdlapp"), jvm_.MakeString(u"\u00e9\u4e2d")}) {
        for (int repeat = 0; repeat < 3; ++repeat) {
            EXPECT_EQ(Call(g201_, argument), user);
            EXPECT_EQ(Call(g202_, argument), password);
        }
    }
}

// Runs the child in a fresh folder with a log folder; gives the results file's text.
std::string RunCalls(const std::filesystem::path& folder, const std::vector<std::string>& calls) {
    std::filesystem::create_directories(folder / "log");
    EXPECT_EQ(testing::RunChild(testing::HelperProgram("credential_child"), calls, folder), 0);
    return ReadFileBytes(folder / "results.txt");
}

std::string LogOf(const std::filesystem::path& folder) {
    return ReadFileBytes(testing::LogFileIn(folder));
}

TEST(CredentialLog, SuccessfulCallsWriteNothing) {
    auto folder = FreshFolder();
    std::string results = RunCalls(folder, {"g201", "g202", "g201"});
    if (VELTRANE_DEFAULT_CREDENTIALS) {
        std::string user = Ascii(testing::kDefaultUserName);
        EXPECT_EQ(results, user + "\n" + Ascii(testing::kDefaultPassword) + "\n" + user + "\n");
    }
    EXPECT_TRUE(std::filesystem::exists(testing::LogFileIn(folder)));
    EXPECT_EQ(LogOf(folder), "");
}

#ifdef _WIN32
TEST(CredentialContainer, ALeftoverFromAnotherProcessIsReplaced) {
    ASSERT_FALSE(ContainerExists());
    HCRYPTPROV held = 0;
    ASSERT_TRUE(CryptAcquireContextW(&held, kContainer, MS_ENHANCED_PROV_W, PROV_RSA_FULL,
                                     CRYPT_NEWKEYSET));
    CryptReleaseContext(held, 0);

    auto folder = FreshFolder();
    std::string results = RunCalls(folder, {"g201", "g202", "g201"});
    if (VELTRANE_DEFAULT_CREDENTIALS) {
        std::string user = Ascii(testing::kDefaultUserName);
        EXPECT_EQ(results, user + "\n" + Ascii(testing::kDefaultPassword) + "\n" + user + "\n");
    } else {
        EXPECT_EQ(("\n" + results).find("\n\n"), std::string::npos);  // no empty result
    }
    EXPECT_EQ(LogOf(folder), "");
    EXPECT_FALSE(ContainerExists());
}
#endif

}  // namespace
}  // namespace veltrane
