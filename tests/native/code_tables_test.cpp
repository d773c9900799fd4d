// The code tables through their exports, with the fake JNI: the token table, and the thirteen
// statement methods against the catalogue in tests/fixtures/catalogue.
#include <gtest/gtest.h>

#include <climits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "fake_jni.h"
#include "jni/natives.h"
#include "test_paths.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;

// Codes 1 to 9 in order, then codes either side of the table and at the ends of the range
// (a failed string: boundary_test.cpp).
TEST(TokenTable, EachCodeGivesItsTokenAndEveryOtherCodeTheDefault) {
    const std::pair<jint, std::u16string> rows[] = {
        {1, u"H"},      {2, u"T"},      {3, u"M"},           {4, u"O"},           {5, u"O#"},
        {6, u"V"},      {7, u"V#"},     {8, u"VALUE"},       {9, u"ERROR"},       {0, u"!@#$%"},
        {-1, u"!@#$%"}, {10, u"!@#$%"}, {INT_MAX, u"!@#$%"}, {INT_MIN, u"!@#$%"},
    };
    FakeJvm vm;
    for (const auto& [code, token] : rows) {
        const jstring answer = Java_com_quorindel_veltrane_J_D_g301(vm.env(), nullptr, code);
        ASSERT_NE(answer, nullptr) << code;
        EXPECT_EQ(vm.StringValue(answer), token) << code;
    }
    EXPECT_TRUE(vm.violations().empty());
}

using Call = jstring (*)(FakeJvm&, jint);

template <jstring(JNICALL* Method)(JNIEnv*, jclass, jint) noexcept>
jstring IntCall(FakeJvm& vm, jint code) {
    return Method(vm.env(), nullptr, code);
}
jstring g109(FakeJvm& vm, jint code) {
    return Java_com_quorindel_veltrane_F_C_g109(vm.env(), nullptr, vm.MakeString(u"x"), code);
}

const std::map<std::string, Call> kMethods = {
    {"g101", IntCall<Java_com_quorindel_veltrane_E_g101>},
    {"g102", IntCall<Java_com_quorindel_veltrane_D_B_g102>},
    {"g103", IntCall<Java_com_quorindel_veltrane_D_A_g103>},
    {"g104", IntCall<Java_com_quorindel_veltrane_I_C_g104>},
    {"g105", IntCall<Java_com_quorindel_veltrane_I_H_g105>},
    {"g106", IntCall<Java_com_quorindel_veltrane_I_G_g106>},
    {"g107", IntCall<Java_com_quorindel_veltrane_I_D_g107>},
    {"g108", IntCall<Java_com_quorindel_veltrane_I_B_g108>},
    {"g109", g109},
    {"g110", IntCall<Java_com_quorindel_veltrane_A_B_g110>},
    {"g111", IntCall<Java_com_quorindel_veltrane_A_A_g111>},
    {"g112", IntCall<Java_com_quorindel_veltrane_I_F_g112>},
    {"g113", IntCall<Java_com_quorindel_veltrane_E_B_E_g113>},
};

// Every code of every list gives its text exactly, every other code null without a JNI call
// (the fake aborts on any look at g109's string); a failed string gives null.
TEST(SqlCatalogue, EveryCodeGivesItsStatementAndEveryOtherCodeNullWithoutAJniCall) {
    std::map<std::string, std::vector<std::u16string>> lists;  // method, texts from code 1 on
    for (const auto& row : testing::FixtureRows("catalogue/statements.tsv"))
        lists[row.at(0)].emplace_back(row.at(2).begin(), row.at(2).end());  // ASCII
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
        const jint after_last = static_cast<jint>(statements.size() + 1);
        for (jint code : {jint{0}, jint{-1}, after_last, jint{INT_MIN}, jint{INT_MAX}}) {
            vm.ResetRecord();
            EXPECT_EQ(call(vm, code), nullptr) << name << " code " << code;
            EXPECT_TRUE(vm.calls().empty()) << name << " code " << code;
        }
        // A string the VM cannot create, or memory running out while creating it: null,
        // nothing left pending, and the next call works.
        vm.FailCall(JniCall::kNewString);
        EXPECT_EQ(call(vm, 1), nullptr) << name;
        vm.ThrowOnCall(JniCall::kNewString);
        EXPECT_EQ(call(vm, 1), nullptr) << name;
        EXPECT_FALSE(vm.exception_pending()) << name;
        EXPECT_TRUE(vm.violations().empty()) << name;
        EXPECT_NE(call(vm, 1), nullptr) << name;
    }
}

}  // namespace
}  // namespace veltrane
