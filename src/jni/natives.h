// The native methods the library exports, one line each. No C++ exception leaves any of
// them (jni/boundary.h).
#pragma once

#include <jni.h>

extern "C" {
// The SQL statement catalogue, one method per table.
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_E_g101(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_D_B_g102(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_D_A_g103(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_C_g104(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_H_g105(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_G_g106(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_D_g107(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_B_g108(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_F_C_g109(JNIEnv*, jclass, jstring,
                                                               jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_A_B_g110(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_A_A_g111(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_I_F_g112(JNIEnv*, jclass, jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_E_B_E_g113(JNIEnv*, jclass, jint) noexcept;
// The database user name and password.
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_J_D_g201(JNIEnv*, jclass, jstring) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_J_D_g202(JNIEnv*, jclass, jstring) noexcept;
// The token table.
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_J_D_g301(JNIEnv*, jclass, jint) noexcept;
// The modem profile: a list, a single string.
JNIEXPORT jobjectArray JNICALL Java_com_quorindel_veltrane_E_B_D_g401(JNIEnv*, jclass,
                                                                      jint) noexcept;
JNIEXPORT jstring JNICALL Java_com_quorindel_veltrane_E_B_D_g402(JNIEnv*, jclass, jint) noexcept;
// The level meter.
JNIEXPORT jfloat JNICALL Java_com_quorindel_veltrane_E_A_A_g501(JNIEnv*, jclass, jbyteArray,
                                                                jint) noexcept;
}  // extern "C"
