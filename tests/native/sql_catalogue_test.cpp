// The thirteen statement methods, called through their exports with the fake JNI.
#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstddef>
#include <string>

#include "fake_jni.h"
#include "jni/natives.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::JniCall;

struct Method {
    const char* name;
    char table;
    jstring (*call)(JNIEnv*, jint);
    jint last_code;
    const char16_t* last_statement;
};

// g109 passes a null string: the string is never looked at.
const Method kMethods[] = {
    {"g101", 'M',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_E_g101(e, nullptr, c); }, 4,
     u"DELETE FROM M;"},
    {"g102", 'G',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_D_B_g102(e, nullptr, c); }, 5,
     u"SELECT * FROM G WHERE A=? AND D=FALSE AND E < ?;"},
    {"g103", 'F',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_D_A_g103(e, nullptr, c); }, 8,
     u"SELECT DISTINCT F.* FROM F,G WHERE F.A=G.A AND (F.B LIKE ? OR G.B LIKE ?) ORDER BY F.D "
     u"DESC;"},
    {"g104", 'K',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_I_C_g104(e, nullptr, c); }, 5,
     u"SELECT * FROM K WHERE A=?;"},
    {"g105", 'C',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_I_H_g105(e, nullptr, c); }, 8,
     u"SELECT F FROM C WHERE A=? AND B=? AND F IS NOT NULL;"},
    {"g106", 'B',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_I_G_g106(e, nullptr, c); }, 7,
     u"DELETE FROM B WHERE A=? AND B=?;"},
    {"g107", 'L',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_I_D_g107(e, nullptr, c); }, 10,
     u"SELECT G FROM L WHERE A=? AND B=? AND G IS NOT NULL;"},
    {"g108", 'E',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_I_B_g108(e, nullptr, c); }, 7,
     u"SELECT * FROM E where A LIKE ?;"},
    {"g109", 'J',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_F_C_g109(e, nullptr, nullptr, c); },
     4, u"DELETE FROM J;"},
    {"g110", 'H',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_A_B_g110(e, nullptr, c); }, 7,
     u"SELECT * FROM H WHERE B LIKE ? ORDER BY I DESC;"},
    {"g111", 'I',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_A_A_g111(e, nullptr, c); }, 6,
     u"SELECT * FROM I WHERE A LIKE ? OR B LIKE ? OR C LIKE ? OR D Like ? OR E LIKE ? ORDER BY A;"},
    {"g112", 'A',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_I_F_g112(e, nullptr, c); }, 6,
     u"SELECT * FROM A;"},
    {"g113", 'N',
     [](JNIEnv* e, jint c) { return Java_com_quorindel_veltrane_E_B_E_g113(e, nullptr, c); }, 5,
     u"SELECT * FROM N;"},
};

std::u16string Fetch(FakeJvm& vm, const Method& method, jint code) {
    jstring text = method.call(vm.env(), code);
    if (text == nullptr) ADD_FAILURE() << method.name << " code " << code << " gave null";
    return text == nullptr ? u"" : vm.StringValue(text);
}

TEST(SqlCatalogue, CodesOutsideEveryListGiveNullWithoutAnyJniCall) {
    for (const Method& method : kMethods) {
        for (jint code : {jint{0}, jint{-1}, method.last_code + 1, jint{INT_MIN}, jint{INT_MAX}}) {
            FakeJvm vm;
            EXPECT_EQ(method.call(vm.env(), code), nullptr) << method.name << " code " << code;
            EXPECT_TRUE(vm.calls().empty()) << method.name << " code " << code;
            EXPECT_FALSE(vm.exception_pending());
        }
    }
}

TEST(SqlCatalogue, ListsHoldEightyTwoStatementsEndingWithTheirLastListedOne) {
    int total = 0;
    for (const Method& method : kMethods) {
        FakeJvm vm;
        EXPECT_EQ(Fetch(vm, method, method.last_code), method.last_statement) << method.name;
        for (jint code = 1; code <= method.last_code; ++code) {
            const std::u16string text = Fetch(vm, method, code);
            // Plain ASCII, no terminator handed over, and naming only its own table.
            EXPECT_TRUE(
                std::all_of(text.begin(), text.end(), [](char16_t c) { return c > 0 && c < 0x80; }))
                << method.name << " code " << code;
            const std::u16string own = std::u16string(u" ") + char16_t(method.table);
            EXPECT_TRUE(text.find(own + u" ") != std::u16string::npos ||
                        text.find(own + u";") != std::u16string::npos ||
                        text.find(own + u",") != std::u16string::npos)
                << method.name << " code " << code;
            ++total;
        }
        EXPECT_TRUE(vm.violations().empty());
    }
    EXPECT_EQ(total, 82);
}

TEST(SqlCatalogue, TextsKeepTheirOwnSpellings) {
    FakeJvm vm;
    const auto& m = kMethods;
    EXPECT_EQ(Fetch(vm, m[0], 1), u"SELECT * FROM M;");
    EXPECT_EQ(Fetch(vm, m[0], 1).size(), 16u);
    EXPECT_EQ(Fetch(vm, m[2], 8).size(), 92u);
    const std::u16string update_i = Fetch(vm, m[10], 3);
    EXPECT_EQ(update_i, u"UPDATE I SET A = ?, B = ?,C = ?,D = ?,E = ? WHERE A = ?");
    EXPECT_EQ(update_i.size(), 55u);
    EXPECT_EQ(Fetch(vm, m[7], 1), u"SELECT * FROM E where A = ?;");
    EXPECT_EQ(Fetch(vm, m[4], 1), u"SELECT * FROM C WHERE A=? AND B = ?;");
}

TEST(SqlCatalogue, EveryStatementButTheUpdateOfIEndsWithASemicolon) {
    FakeJvm vm;
    int without = 0;
    for (const Method& method : kMethods) {
        for (jint code = 1; code <= method.last_code; ++code) {
            if (Fetch(vm, method, code).ends_with(u";")) continue;
            EXPECT_EQ(method.table, 'I');
            EXPECT_EQ(code, 3);
            ++without;
        }
    }
    EXPECT_EQ(without, 1);
}

TEST(SqlCatalogue, InsertsWriteValuesWithOrWithoutABlankByTable) {
    FakeJvm vm;
    const std::u16string with_blank = u"CHIJKN";
    for (const Method& method : kMethods) {
        int inserts = 0;
        for (jint code = 1; code <= method.last_code; ++code) {
            const std::u16string text = Fetch(vm, method, code);
            if (!text.starts_with(u"INSERT INTO ")) continue;
            ++inserts;
            const bool blank = with_blank.find(char16_t(method.table)) != std::u16string::npos;
            EXPECT_NE(text.find(blank ? u") VALUES (?" : u") VALUES(?"), std::u16string::npos)
                << method.name;
        }
        EXPECT_EQ(inserts, 1) << method.name;
    }
}

TEST(SqlCatalogue, OnlyTheTwoParameterSelectionsOfEWriteLowerCaseWhere) {
    FakeJvm vm;
    int lower = 0;
    for (const Method& method : kMethods) {
        for (jint code = 1; code <= method.last_code; ++code) {
            if (Fetch(vm, method, code).find(u" where ") == std::u16string::npos) continue;
            EXPECT_EQ(method.table, 'E');
            EXPECT_TRUE(code == 1 || code == 7) << code;
            ++lower;
        }
    }
    EXPECT_EQ(lower, 2);
}

TEST(SqlCatalogue, G109IgnoresItsStringArgument) {
    FakeJvm vm;
    const jstring empty = vm.MakeString(u"");
    const jstring other = vm.MakeString(u"SELECT * FROM M;");
    for (jint code = 1; code <= 4; ++code) {
        const std::u16string expected = Fetch(vm, kMethods[8], code);
        for (jstring argument : {empty, other}) {
            vm.ResetRecord();
            jstring text = Java_com_quorindel_veltrane_F_C_g109(vm.env(), nullptr, argument, code);
            ASSERT_NE(text, nullptr);
            EXPECT_EQ(vm.StringValue(text), expected);
            // NewString and the exception check: nothing asked of the argument.
            EXPECT_EQ(vm.CountOf(JniCall::kGetStringLength), 0);
            EXPECT_EQ(vm.CountOf(JniCall::kGetStringRegion), 0);
        }
    }
    EXPECT_EQ(Fetch(vm, kMethods[8], 3),
              u"UPDATE J SET A = ?,B = ?,C = ?,D = ?,E = ?,F = ?,G = ?;");
    EXPECT_EQ(Java_com_quorindel_veltrane_F_C_g109(vm.env(), nullptr, other, 5), nullptr);
}

TEST(SqlCatalogue, EachCallGivesANewString) {
    FakeJvm vm;
    jstring first = kMethods[6].call(vm.env(), 10);
    jstring second = kMethods[6].call(vm.env(), 10);
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_NE(first, second);
    EXPECT_EQ(vm.StringValue(first), vm.StringValue(second));
}

TEST(SqlCatalogue, StringTheVmCannotCreateGivesNullAndNoPendingException) {
    for (const Method& method : kMethods) {
        FakeJvm vm;
        vm.FailCall(JniCall::kNewString);
        EXPECT_EQ(method.call(vm.env(), 1), nullptr) << method.name;
        EXPECT_FALSE(vm.exception_pending()) << method.name;
        EXPECT_TRUE(vm.violations().empty()) << method.name;
        EXPECT_EQ(vm.CountOf(JniCall::kExceptionClear), 1) << method.name;
        // The next call works again.
        EXPECT_NE(method.call(vm.env(), 1), nullptr) << method.name;
    }
}

}  // namespace
}  // namespace veltrane
