// The 35 fields of a modem profile as the Java side sees them, from whichever source: the
// built library through g401/g402, or a profile built in this process. Written to a file by
// the child that loads the library, and compared with what each fixture should give.
#pragma once

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace veltrane::testing {

// One field: a text (g402) or a list (g401); null when the library answered null.
struct DumpedField {
    bool is_list = false;
    bool is_null = false;
    std::vector<std::u16string> entries;  // a text is the one entry
};

using ProfileDump = std::map<std::u16string, DumpedField>;

// The fields in member order with the codes the Java side asks for them by.
struct FieldCode {
    const char16_t* name;
    int code;
    bool is_list;
};
extern const FieldCode kFieldCodes[35];

// One line per field: name, kind and each entry as hex code units.
void WriteDump(const ProfileDump& dump, const std::filesystem::path& file);
std::optional<ProfileDump> ReadDump(const std::filesystem::path& file);

// What fixture `name` (a file of tests/fixtures/registry) must give; fields not named are
// empty.
ProfileDump ExpectedDump(const std::string& fixture);
extern const char* const kWineFixtures[4];

// Readable differences, empty when the dumps agree.
std::string DescribeDifferences(const ProfileDump& expected, const ProfileDump& actual);

std::filesystem::path FixtureFolder();

}  // namespace veltrane::testing
