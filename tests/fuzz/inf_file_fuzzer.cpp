// libFuzzer target: any bytes, read as a modem's INF for either platform, either give an
// InfError or the driver key of every model; each installation's registry file is written
// and must load in the library's own reader.
#include <cstdint>
#include <string_view>

#include "modem_inf.h"
#include "modem_machine.h"
#include "platform/portable/registry_file.h"
#include "reg_writer.h"

namespace {

using namespace veltrane;
using namespace veltrane::inf;

constexpr std::size_t kModelsInstalled = 4;  // a long models list adds no new paths

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

void Convert(std::string_view bytes, Arch arch, WideStringView language) {
    InfNotes notes;
    try {
        const ModemInf inf(bytes, arch, language, notes);
        Check(!inf.models().empty());
        for (std::size_t i = 0; i < inf.models().size() && i < kModelsInstalled; ++i) {
            Check(!inf.models()[i].ids.empty());
            const ModemModel& model = inf.Choose(inf.models()[i].ids.front());
            Installation installation{inf, model, inf.Install(model), u"m.inf", u"/dev/ttyACM0"};
            const auto file = RegeditFile(MachineKeys(std::move(installation), notes));
            const auto loaded = veltrane::platform::ParseRegistryText(
                std::string_view(reinterpret_cast<const char*>(file.data()), file.size()), "out");
            Check(!loaded.error);
        }
    } catch (const InfError& error) {
        Check(error.what()[0] != '\0');
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    Convert(text, Arch::kAmd64, u"");
    Convert(text, Arch::kX86, u"0407");
    return 0;
}
