// The statement methods and the token table as the JVM finds them: by their exported
// names in the built binary.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "fake_jni.h"
#include "loaded_library.h"

namespace veltrane {
namespace {

using testing::BuiltLibrary;
using testing::FakeJvm;
using testing::JniCall;
using testing::LoadedLibrary;
using testing::NativeExportName;

using StatementMethod = jstring(JNICALL*)(JNIEnv*, jclass, jint);
using StatementWithStringMethod = jstring(JNICALL*)(JNIEnv*, jclass, jstring, jint);

struct Listed {
    const char* jni_name;
    jint last_code;
    const char16_t* last_statement;
};

const Listed kLists[] = {
    {"Java_com_quorindel_veltrane_E_g101", 4, u"DELETE FROM M;"},
    {"Java_com_quorindel_veltrane_D_B_g102", 5,
     u"SELECT * FROM G WHERE A=? AND D=FALSE AND E < ?;"},
    {"Java_com_quorindel_veltrane_D_A_g103", 8,
     u"SELECT DISTINCT F.* FROM F,G WHERE F.A=G.A AND (F.B LIKE ? OR G.B LIKE ?) ORDER BY F.D "
     u"DESC;"},
    {"Java_com_quorindel_veltrane_I_C_g104", 5, u"SELECT * FROM K WHERE A=?;"},
    {"Java_com_quorindel_veltrane_I_H_g105", 8,
     u"SELECT F FROM C WHERE A=? AND B=? AND F IS NOT NULL;"},
    {"Java_com_quorindel_veltrane_I_G_g106", 7, u"DELETE FROM B WHERE A=? AND B=?;"},
    {"Java_com_quorindel_veltrane_I_D_g107", 10,
     u"SELECT G FROM L WHERE A=? AND B=? AND G IS NOT NULL;"},
    {"Java_com_quorindel_veltrane_I_B_g108", 7, u"SELECT * FROM E where A LIKE ?;"},
    {"Java_com_quorindel_veltrane_A_B_g110", 7, u"SELECT * FROM H WHERE B LIKE ? ORDER BY I DESC;"},
    {"Java_com_quorindel_veltrane_A_A_g111", 6,
     u"SELECT * FROM I WHERE A LIKE ? OR B LIKE ? OR C LIKE ? OR D Like ? OR E LIKE ? ORDER BY "
     u"A;"},
    {"Java_com_quorindel_veltrane_I_F_g112", 6, u"SELECT * FROM A;"},
    {"Java_com_quorindel_veltrane_E_B_E_g113", 5, u"SELECT * FROM N;"},
};

class CatalogueLibrary : public ::testing::Test {
  protected:
    LoadedLibrary library_{BuiltLibrary()};
    FakeJvm vm_;
};

TEST_F(CatalogueLibrary, EveryListEndsAtItsLastCode) {
    ASSERT_TRUE(library_.loaded());
    for (const Listed& list : kLists) {
        auto method = library_.Function<StatementMethod>(NativeExportName(list.jni_name, 12));
        ASSERT_NE(method, nullptr) << list.jni_name;
        jstring last = method(vm_.env(), nullptr, list.last_code);
        ASSERT_NE(last, nullptr) << list.jni_name;
        EXPECT_EQ(vm_.StringValue(last), list.last_statement) << list.jni_name;
        for (jint code : {jint{0}, jint{-1}, list.last_code + 1, jint{INT_MIN}, jint{INT_MAX}}) {
            vm_.ResetRecord();
            EXPECT_EQ(method(vm_.env(), nullptr, code), nullptr) << list.jni_name << " " << code;
            EXPECT_TRUE(vm_.calls().empty()) << list.jni_name << " " << code;
        }
    }
    EXPECT_TRUE(vm_.violations().empty());
}

TEST_F(CatalogueLibrary, TheMethodWithAStringArgumentTakesSixteenArgumentBytes) {
    ASSERT_TRUE(library_.loaded());
    auto g109 = library_.Function<StatementWithStringMethod>(
        NativeExportName("Java_com_quorindel_veltrane_F_C_g109", 16));
    ASSERT_NE(g109, nullptr);
    // A wrong byte count would unbalance the stack of a 32-bit caller: several calls in a
    // row with different arguments must all come back with the right text.
    const jstring strings[] = {nullptr, vm_.MakeString(u""), vm_.MakeString(u"x")};
    for (jstring argument : strings) {
        jstring text = g109(vm_.env(), nullptr, argument, 3);
        ASSERT_NE(text, nullptr);
        EXPECT_EQ(vm_.StringValue(text),
                  u"UPDATE J SET A = ?,B = ?,C = ?,D = ?,E = ?,F = ?,G = ?;");
        EXPECT_EQ(g109(vm_.env(), nullptr, argument, 5), nullptr);
    }
}

TEST_F(CatalogueLibrary, LengthsOfTheLongAndTheUnterminatedStatements) {
    ASSERT_TRUE(library_.loaded());
    auto g101 = library_.Function<StatementMethod>(
        NativeExportName("Java_com_quorindel_veltrane_E_g101", 12));
    auto g103 = library_.Function<StatementMethod>(
        NativeExportName("Java_com_quorindel_veltrane_D_A_g103", 12));
    auto g111 = library_.Function<StatementMethod>(
        NativeExportName("Java_com_quorindel_veltrane_A_A_g111", 12));
    ASSERT_TRUE(g101 && g103 && g111);
    EXPECT_EQ(vm_.StringValue(g101(vm_.env(), nullptr, 1)).size(), 16u);
    EXPECT_EQ(vm_.StringValue(g103(vm_.env(), nullptr, 8)).size(), 92u);
    EXPECT_EQ(vm_.StringValue(g111(vm_.env(), nullptr, 3)),
              u"UPDATE I SET A = ?, B = ?,C = ?,D = ?,E = ? WHERE A = ?");
}

TEST_F(CatalogueLibrary, FailedStringCreationIsClearedAndGivesNull) {
    ASSERT_TRUE(library_.loaded());
    auto g112 = library_.Function<StatementMethod>(
        NativeExportName("Java_com_quorindel_veltrane_I_F_g112", 12));
    ASSERT_NE(g112, nullptr);
    vm_.FailCall(JniCall::kNewString);
    EXPECT_EQ(g112(vm_.env(), nullptr, 1), nullptr);
    EXPECT_FALSE(vm_.exception_pending());
    EXPECT_TRUE(vm_.violations().empty());
}

}  // namespace
}  // namespace veltrane
