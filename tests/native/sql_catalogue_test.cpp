// The thirteen statement methods against the catalogue in tests/fixtures/catalogue: every
// code of every list gives its text exactly, every other code gives null without a JNI call.
#include <gtest/gtest.h>

#include <climits>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "fake_jni.h"
#include "jni/natives.h"
#include "test_paths.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;

using Call = jstring (*)(FakeJvm&, jint);

// g109's string argument is a real string that nothing may look at.
jstring g109(FakeJvm& vm, jint code) {
    return Java_com_quorindel_veltrane_F_C_g109(vm.env(), nullptr, vm.MakeString(u"x"), code);
}

const std::map<std::string, Call> kMethods = {
    {"g101",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_E_g101(v.env(), nullptr, c); }},
    {"g102",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_D_B_g102(v.env(), nullptr, c); }},
    {"g103",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_D_A_g103(v.env(), nullptr, c); }},
    {"g104",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_I_C_g104(v.env(), nullptr, c); }},
    {"g105",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_I_H_g105(v.env(), nullptr, c); }},
    {"g106",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_I_G_g106(v.env(), nullptr, c); }},
    {"g107",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_I_D_g107(v.env(), nullptr, c); }},
    {"g108",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_I_B_g108(v.env(), nullptr, c); }},
    {"g109", g109},
    {"g110",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_A_B_g110(v.env(), nullptr, c); }},
    {"g111",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_A_A_g111(v.env(), nullptr, c); }},
    {"g112",
     [](FakeJvm& v, jint c) { return Java_com_quorindel_veltrane_I_F_g112(v.env(), nullptr, c); }},
    {"g113", [](FakeJvm& v,
                jint c) { return Java_com_quorindel_veltrane_E_B_E_g113(v.env(), nullptr, c); }},
};

// Each method's statements in code order, as the fixture lists them.
std::map<std::string, std::vector<std::u16string>> Catalogue() {
    std::ifstream in(testing::Fixture("catalogue/statements.tsv"));
    EXPECT_TRUE(in.good());
    std::map<std::string, std::vector<std::u16string>> lists;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        const auto tab1 = line.find('\t');
        const auto tab2 = line.find('\t', tab1 + 1);
        auto& list = lists[line.substr(0, tab1)];
        EXPECT_EQ(std::stoul(line.substr(tab1 + 1, tab2 - tab1 - 1)), list.size() + 1) << line;
        const std::string text = line.substr(tab2 + 1);
        list.emplace_back(text.begin(), text.end());  // ASCII
    }
    return lists;
}

TEST(SqlCatalogue, EveryCodeGivesItsStatementAndEveryOtherCodeNullWithoutAJniCall) {
    const auto lists = Catalogue();
    ASSERT_EQ(lists.size(), kMethods.size());
    for (const auto& [name, statements] : lists) {
        const Call call = kMethods.at(name);
        FakeJvm vm;
        for (std::size_t i = 0; i < statements.size(); ++i) {
            const jint code = static_cast<jint>(i + 1);
            const jstring text = call(vm, code);
            ASSERT_NE(text, nullptr) << name << " code " << code;
            EXPECT_EQ(vm.StringValue(text), statements[i]) << name << " code " << code;
        }
        EXPECT_EQ(vm.CountOf(JniCall::kGetStringLength) + vm.CountOf(JniCall::kGetStringRegion), 0)
            << name;
        const jint after_last = static_cast<jint>(statements.size() + 1);
        for (jint code : {jint{0}, jint{-1}, after_last, jint{INT_MIN}, jint{INT_MAX}}) {
            vm.ResetRecord();
            EXPECT_EQ(call(vm, code), nullptr) << name << " code " << code;
            EXPECT_TRUE(vm.calls().empty()) << name << " code " << code;
        }
        EXPECT_TRUE(vm.violations().empty()) << name;
    }
}

TEST(SqlCatalogue, StringTheVmCannotCreateGivesNullAndNoPendingException) {
    for (const auto& [name, call] : kMethods) {
        FakeJvm vm;
        vm.FailCall(JniCall::kNewString);
        EXPECT_EQ(call(vm, 1), nullptr) << name;
        EXPECT_FALSE(vm.exception_pending()) << name;
        EXPECT_TRUE(vm.violations().empty()) << name;
        EXPECT_NE(call(vm, 1), nullptr) << name;  // the next call works again
    }
}

}  // namespace
}  // namespace veltrane
