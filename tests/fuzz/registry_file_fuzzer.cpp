// libFuzzer target: any bytes given to the registry file loader either load or give an
// empty tree with a diagnosis, and whatever loads can be walked through the registry seam
// without fault.
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "platform/portable/registry_file.h"
#include "platform/registry.h"

namespace {

using veltrane::platform::Registry;
using veltrane::platform::RegKey;
using veltrane::platform::RegStatus;

constexpr std::size_t kMaxVisits = 200000;
constexpr std::size_t kMaxDepth = 100000;  // far past any finite tree a small input makes

void Check(bool condition) {
    if (!condition) __builtin_trap();
}

// Depth-first over every key, as the modem search walks, reading every value.
void Walk(const Registry& registry) {
    std::vector<RegKey> path;
    std::vector<std::uint32_t> next;
    path.push_back(registry.Root());
    next.push_back(0);
    std::vector<char16_t> name(16384);
    std::vector<std::uint8_t> data(16384);
    std::size_t visits = 0;
    while (!path.empty() && visits < kMaxVisits) {
        Check(path.size() < kMaxDepth);
        const RegKey& key = path.back();
        std::uint32_t subkeys = 0, values = 0;
        Check(registry.QueryInfoKey(key, &subkeys, &values) == RegStatus::kSuccess);
        if (next.back() == 0) {
            for (std::uint32_t i = 0; i <= values; ++i) {
                std::uint32_t name_size = 16384, data_size = 16384;
                const RegStatus status =
                    registry.EnumValue(key, i, name.data(), &name_size, data.data(), &data_size);
                if (i == values) {
                    Check(status == RegStatus::kNoMoreItems);
                } else if (status == RegStatus::kSuccess) {
                    std::uint32_t size = 0;
                    Check(registry.QueryValue(key, name.data(), nullptr, &size) ==
                          RegStatus::kSuccess);
                    Check(size == data_size);
                } else {
                    Check(status == RegStatus::kMoreData && data_size > 16384);
                }
            }
        }
        if (next.back() >= subkeys) {
            path.pop_back();
            next.pop_back();
            continue;
        }
        std::uint32_t name_size = 256;
        Check(registry.EnumKey(key, next.back()++, name.data(), &name_size) == RegStatus::kSuccess);
        RegKey child;
        const RegStatus status = registry.OpenKey(key, name.data(), child);
        Check(status == RegStatus::kSuccess || status == RegStatus::kAccessDenied);
        if (status == RegStatus::kSuccess) {
            ++visits;
            path.push_back(std::move(child));
            next.push_back(0);
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* bytes, std::size_t size) {
    const auto result = veltrane::platform::ParseRegistryText(
        std::string_view(reinterpret_cast<const char*>(bytes), size), "fuzz.reg");
    Check(result.tree != nullptr);
    if (result.error) {
        // Never a half-read tree, always a line and a reason.
        Check(result.tree->Root()->subkeys.empty() && result.tree->Root()->values.empty());
        Check(result.error->line >= 1 && !result.error->reason.empty());
        return 0;
    }
    Walk(Registry(result.tree));
    return 0;
}
