// libFuzzer target: any bytes either load or give an empty tree with a line and a reason;
// whatever loads can be walked through the registry seam, every value read, without fault.
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/portable/registry_file.h"
#include "platform/registry.h"

namespace {

using namespace veltrane::platform;

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// Depth-first, as the modem search walks; `budget` bounds the keys visited.
void Walk(const Registry& registry, const RegKey& key, std::size_t& budget) {
    std::uint32_t subkeys = 0, values = 0;
    Check(registry.QueryInfoKey(key, &subkeys, &values) == RegStatus::kSuccess);
    std::vector<char16_t> name(16384);
    std::vector<std::uint8_t> data(16384);
    for (std::uint32_t i = 0; i <= values; ++i) {
        std::uint32_t name_size = 16384, data_size = 16384, size = 0;
        const RegStatus status =
            registry.EnumValue(key, i, name.data(), &name_size, data.data(), &data_size);
        if (i == values) Check(status == RegStatus::kNoMoreItems);
        if (i == values || status != RegStatus::kSuccess) continue;
        Check(registry.QueryValue(key, name.data(), nullptr, &size) == RegStatus::kSuccess);
        Check(size == data_size);
    }
    for (std::uint32_t i = 0; i < subkeys && budget > 0; ++i, --budget) {
        std::uint32_t name_size = 256;
        Check(registry.EnumKey(key, i, name.data(), &name_size) == RegStatus::kSuccess);
        RegKey child;
        Check(registry.OpenKey(key, name.data(), child) == RegStatus::kSuccess);
        Walk(registry, child, budget);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const auto result =
        ParseRegistryText(std::string_view(reinterpret_cast<const char*>(bytes), size), "f");
    if (result.error) {
        Check(result.tree->Root()->subkeys.empty() && result.tree->Root()->values.empty());
        Check(result.error->line >= 1 && !result.error->reason.empty());
        return 0;
    }
    std::size_t budget = 200000;
    Walk(Registry(result.tree), Registry(result.tree).Root(), budget);
    return 0;
}
