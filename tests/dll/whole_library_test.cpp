// Every native method of the built binary, found under the name the JVM looks for (on
// 32-bit Windows the stdcall-decorated one) and called once with the JNI environment the
// JVM would pass: the export list, the calling convention and the wiring of each export to
// its answer. What each method answers for every input is the unit tests' business.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "fake_jni.h"
#include "loaded_library.h"

namespace veltrane {
namespace {

using testing::FakeJvm;
using testing::LoadedLibrary;
using testing::NativeExportName;

enum class Shape { kIntToString, kStringIntToString, kStringToString, kIntToArray, kBytesToFloat };

// One call per export, in the order of the export list. `expected` is the text of a string
// answer ("*" for any non-empty text); arrays and floats are checked by shape below.
struct Row {
    const char* jni_name;
    Shape shape;
    jint argument;
    const char16_t* expected;
};

constexpr Row kRows[] = {
    {"Java_com_quorindel_veltrane_E_g101", Shape::kIntToString, 1, u"SELECT * FROM M;"},
    {"Java_com_quorindel_veltrane_D_B_g102", Shape::kIntToString, 1, u"SELECT * FROM G WHERE A=?;"},
    {"Java_com_quorindel_veltrane_D_A_g103", Shape::kIntToString, 1, u"SELECT * FROM F WHERE A=?;"},
    {"Java_com_quorindel_veltrane_I_C_g104", Shape::kIntToString, 4,
     u"DELETE FROM K WHERE A=? AND B=?;"},
    {"Java_com_quorindel_veltrane_I_H_g105", Shape::kIntToString, 6, u"SELECT * FROM C WHERE A=?;"},
    {"Java_com_quorindel_veltrane_I_G_g106", Shape::kIntToString, 3, u"SELECT * FROM B WHERE A=?;"},
    {"Java_com_quorindel_veltrane_I_D_g107", Shape::kIntToString, 7,
     u"SELECT COUNT(*) FROM L WHERE A=? AND H=FALSE;"},
    {"Java_com_quorindel_veltrane_I_B_g108", Shape::kIntToString, 2, u"SELECT * FROM E;"},
    {"Java_com_quorindel_veltrane_F_C_g109", Shape::kStringIntToString, 4, u"DELETE FROM J;"},
    {"Java_com_quorindel_veltrane_A_B_g110", Shape::kIntToString, 6, u"SELECT MAX(A) FROM H;"},
    {"Java_com_quorindel_veltrane_A_A_g111", Shape::kIntToString, 5,
     u"SELECT * FROM I ORDER BY A;"},
    {"Java_com_quorindel_veltrane_I_F_g112", Shape::kIntToString, 2, u"SELECT MAX(A) FROM A;"},
    {"Java_com_quorindel_veltrane_E_B_E_g113", Shape::kIntToString, 5, u"SELECT * FROM N;"},
    {"Java_com_quorindel_veltrane_J_D_g201", Shape::kStringToString, 0, u"*"},
    {"Java_com_quorindel_veltrane_J_D_g202", Shape::kStringToString, 0, u"*"},
    {"Java_com_quorindel_veltrane_J_D_g301", Shape::kIntToString, 8, u"VALUE"},
    {"Java_com_quorindel_veltrane_E_B_D_g401", Shape::kIntToArray, 3, nullptr},
    {"Java_com_quorindel_veltrane_E_B_D_g402", Shape::kIntToString, 30, u""},  // no modem here
    {"Java_com_quorindel_veltrane_E_A_A_g501", Shape::kBytesToFloat, 8, nullptr},
};

int ArgumentBytes(Shape shape) {
    return shape == Shape::kStringIntToString || shape == Shape::kBytesToFloat ? 16 : 12;
}

std::vector<std::string> NativesOfTheExportList() {
    std::ifstream list(VELTRANE_EXPORT_LIST);
    EXPECT_TRUE(list.good()) << VELTRANE_EXPORT_LIST;
    std::vector<std::string> names;
    for (std::string kind, name, rest; list >> kind;) {
        std::getline(list, rest);
        if (kind != "jni") continue;
        std::istringstream(rest) >> name;
        names.push_back(name);
    }
    return names;
}

TEST(WholeLibrary, EveryExportAnswersThroughTheNameTheJvmLooksFor) {
    const std::vector<std::string> listed = NativesOfTheExportList();
    ASSERT_EQ(listed.size(), std::size(kRows));
    LoadedLibrary library(testing::BuiltLibrary());
    ASSERT_TRUE(library.loaded());
    for (std::size_t i = 0; i < listed.size(); ++i) {
        const Row& row = kRows[i];
        ASSERT_EQ(listed[i], row.jni_name);
        void* f = library.Symbol(NativeExportName(row.jni_name, ArgumentBytes(row.shape)));
        ASSERT_NE(f, nullptr) << row.jni_name;
        FakeJvm vm;
        JNIEnv* env = vm.env();
        jclass receiver = vm.MakeClass("com/quorindel/veltrane/Receiver");
        jobject result = nullptr;
        switch (row.shape) {
            case Shape::kIntToString:
                result = reinterpret_cast<jstring(JNICALL*)(JNIEnv*, jclass, jint)>(f)(
                    env, receiver, row.argument);
                break;
            case Shape::kStringIntToString:
                result = reinterpret_cast<jstring(JNICALL*)(JNIEnv*, jclass, jstring, jint)>(f)(
                    env, receiver, vm.MakeString(u"x"), row.argument);
                break;
            case Shape::kStringToString:
                result = reinterpret_cast<jstring(JNICALL*)(JNIEnv*, jclass, jstring)>(f)(
                    env, receiver, vm.MakeString(u"x"));
                break;
            case Shape::kIntToArray:
                result = reinterpret_cast<jobjectArray(JNICALL*)(JNIEnv*, jclass, jint)>(f)(
                    env, receiver, row.argument);
                ASSERT_NE(result, nullptr) << row.jni_name;
                EXPECT_FALSE(vm.IsString(result)) << row.jni_name;
                break;
            case Shape::kBytesToFloat: {
                const std::vector<std::int8_t> silence(static_cast<std::size_t>(row.argument), 0);
                const jfloat level =
                    reinterpret_cast<jfloat(JNICALL*)(JNIEnv*, jclass, jbyteArray, jint)>(f)(
                        env, receiver, vm.MakeByteArray(silence), row.argument);
                EXPECT_EQ(level, 5.0f) << row.jni_name;
                break;
            }
        }
        if (row.expected != nullptr) {
            ASSERT_NE(result, nullptr) << row.jni_name;
            ASSERT_TRUE(vm.IsString(result)) << row.jni_name;
            const std::u16string text = vm.StringValue(result);
            if (std::u16string_view(row.expected) == u"*") {
                EXPECT_FALSE(text.empty()) << row.jni_name;
            } else {
                EXPECT_EQ(text, row.expected) << row.jni_name;
            }
        }
        EXPECT_FALSE(vm.exception_pending()) << row.jni_name;
        EXPECT_TRUE(vm.violations().empty()) << row.jni_name;
        EXPECT_EQ(vm.outstanding_elements(), 0) << row.jni_name;
    }
}

}  // namespace
}  // namespace veltrane
