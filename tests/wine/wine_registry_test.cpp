// The same registry fixtures must give the same 35 fields whoever reads them: imported into
// a Wine prefix with regedit and read by the Windows build through Wine's registry (which we
// did not write), and on Linux read by the portable loader from the .reg file.
#include <gtest/gtest.h>

#include <string>

#include "child_process.h"
#include "profile_dump.h"
#include "test_paths.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "modem/modem_strings.h"
#include "modem/profile_fields.h"
#include "platform/portable/registry_file.h"
#include "platform/registry.h"
#endif

namespace veltrane::testing {
namespace {

#ifdef _WIN32

ProfileDump DumpThroughLibrary(const std::string& tag) {
    const auto out = FreshFolder(tag) / "profile.txt";
    EXPECT_EQ(RunChild(HelperProgram("modem_dump"), {out.string()}, out.parent_path()), 0);
    return ReadDump(out).value_or(ProfileDump{});
}

std::filesystem::path Regedit() {
    wchar_t folder[MAX_PATH];
    GetWindowsDirectoryW(folder, MAX_PATH);
    return std::filesystem::path(folder) / "regedit.exe";
}

int Import(const std::string& fixture) {
    return RunChild(Regedit(), {"/S", (FixtureFolder() / fixture).string()}, ProgramFolder());
}

// The prefix is shared with the other tests of the build: no fixture is left in it, even
// when a check fails half-way.
struct RemoveFixturesAtEnd {
    ~RemoveFixturesAtEnd() { Import("wine-cleanup.reg"); }
};

// Each fixture alone in the prefix's registry.
TEST(WineRegistry, EachFixtureImportedWithRegeditGivesItsProfileThroughTheLibrary) {
    RemoveFixturesAtEnd cleanup;
    for (const char* fixture : kWineFixtures) {
        SCOPED_TRACE(fixture);
        ASSERT_EQ(Import("wine-cleanup.reg"), 0);
        ASSERT_EQ(Import(fixture), 0);
        EXPECT_EQ(DescribeDifferences(ExpectedDump(fixture), DumpThroughLibrary(fixture)), "");
    }
    EXPECT_EQ(Import("wine-cleanup.reg"), 0);
    // Without the fixtures the prefix has no modem.
    EXPECT_EQ(DescribeDifferences(ExpectedDump("none"), DumpThroughLibrary("none")), "");
}

#else

ProfileDump DumpOf(const CModemStrings& profile) {
    ProfileDump dump;
    for (const ProfileField& field : kProfileFields) {
        const bool is_list = field.source == ProfileSource::kSubkey;
        dump[field.name] = DumpedField{
            is_list, false,
            is_list ? profile.*field.list : std::vector<std::u16string>{profile.*field.text}};
    }
    return dump;
}

ProfileDump DumpOfFile(const std::filesystem::path& file) {
    auto loaded = platform::LoadRegistryFile(file);
    EXPECT_FALSE(loaded.error.has_value())
        << (loaded.error ? platform::DescribeRegistryFileError(*loaded.error) : "");
    return DumpOf(CModemStrings(platform::Registry(loaded.tree)));
}

TEST(WineRegistry, EachFixtureFileGivesItsProfileOnThePortableRegistry) {
    for (const char* fixture : kWineFixtures) {
        SCOPED_TRACE(fixture);
        EXPECT_EQ(DescribeDifferences(ExpectedDump(fixture), DumpOfFile(FixtureFolder() / fixture)),
                  "");
    }
}

#endif

}  // namespace
}  // namespace veltrane::testing
