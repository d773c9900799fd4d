// The SQL statement catalogue: one native method per table, each handing out the text of
// one statement of its list as a new Java string.
#include "jni/sql_catalogue.h"

#include "jni/boundary.h"
#include "jni/jni_support.h"
#include "jni/natives.h"
#include "jni/sql_statements.h"

namespace veltrane::sql {

jstring StatementString(JNIEnv* env, StatementList list, jint code) noexcept {
    return jni::Guarded(env, nullptr, [&]() -> jstring {
        const auto statement = FindStatement(list, code);
        if (!statement) return nullptr;
        return jni::NewJavaString(env, *statement);
    });
}

}  // namespace veltrane::sql

using veltrane::sql::StatementString;

extern "C" {

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_E_g101(JNIEnv* env, jclass,
                                                             jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableM, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_D_B_g102(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableG, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_D_A_g103(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableF, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_C_g104(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableK, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_H_g105(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableC, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_G_g106(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableB, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_D_g107(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableL, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_B_g108(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableE, code);
}

// The string argument is accepted and never looked at: the code alone selects.
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_F_C_g109(JNIEnv* env, jclass, jstring,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableJ, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_A_B_g110(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableH, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_A_A_g111(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableI, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_F_g112(JNIEnv* env, jclass,
                                                               jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableA, code);
}

JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_E_B_E_g113(JNIEnv* env, jclass,
                                                                 jint code) noexcept {
    return StatementString(env, veltrane::sql::kTableN, code);
}

}  // extern "C"
