// The modem search, the profile reads and g401/g402 over the portable registry: each registry
// fixture gives the profile listed beside it.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "fake_jni.h"
#include "frame/globals.h"
#include "jni/natives.h"
#include "modem/modem_strings.h"
#include "platform/portable/registry_file.h"
#include "platform/registry.h"
#include "test_paths.h"

namespace veltrane {
namespace {

// Each fixture alone in the registry ("": no registry file; then also no profile at all, as
// after an attach that ran out of memory): for codes 1 to 35, which of g401 and g402 serve it
// and each entry; every other code gives null without a JNI call.
TEST(RegistryFixtures, EachGivesTheProfileListedBesideIt) {
    const std::pair<const char*, const char*> rows[] = {
        {"wine-full-modem.reg", "wine-full-modem.profile"},
        {"wine-first-modem-without-driver.reg", "empty.profile"},
        {"wine-driver-leads-nowhere.reg", "empty.profile"},
        {"wine-modem-below-instance.reg", "wine-modem-below-instance.profile"},
        {"walk-rules.reg", "walk-rules.profile"},
        {"walk-root.reg", "walk-root.profile"},
        {"walk-order.reg", "walk-order.profile"},
        {"", "empty.profile"},
    };
    CModemStrings* const saved = g_modemStrings;
    for (const auto& [fixture, profile] : rows) {
        SCOPED_TRACE(fixture);
        std::shared_ptr<const platform::RegistryTree> tree;
        if (*fixture != '\0') {
            auto loaded = platform::LoadRegistryFile(testing::Fixture("registry/") / fixture);
            ASSERT_FALSE(loaded.error) << platform::DescribeRegistryFileError(*loaded.error);
            tree = loaded.tree;
        }
        CModemStrings modem{platform::Registry(tree)};
        const auto expected = testing::FixtureRows(std::string("registry/") + profile);
        ASSERT_EQ(expected.size(), 35u);
        for (CModemStrings* object : {&modem, tree ? &modem : nullptr}) {
            g_modemStrings = object;
            testing::FakeJvm vm;
            for (jint code = 1; code <= 35; ++code) {
                const jobjectArray list =
                    Java_com_quorindel_veltrane_E_B_D_g401(vm.env(), {}, code);
                const jstring text = Java_com_quorindel_veltrane_E_B_D_g402(vm.env(), {}, code);
                std::vector<std::string> row{std::to_string(code), list && text ? "both"
                                                                   : list       ? "list"
                                                                   : text       ? "text"
                                                                                : "null"};
                EXPECT_TRUE(!list || vm.ClassName(list) == "[java/lang/String");
                for (jobject entry : list ? vm.ArrayElements(list) : std::vector<jobject>{text})
                    if (entry) row.push_back(vm.Utf8Value(entry));
                EXPECT_EQ(row, expected[code - 1]);
            }
            vm.ResetRecord();
            for (jint code : {0, -1, 36, INT_MIN, INT_MAX}) {
                EXPECT_EQ(Java_com_quorindel_veltrane_E_B_D_g401(vm.env(), {}, code), nullptr);
                EXPECT_EQ(Java_com_quorindel_veltrane_E_B_D_g402(vm.env(), {}, code), nullptr);
            }
            EXPECT_TRUE(vm.calls().empty());
        }
    }
    g_modemStrings = saved;
}

}  // namespace
}  // namespace veltrane

#endif  // _WIN32
