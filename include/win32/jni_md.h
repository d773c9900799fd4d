// Machine-dependent JNI types for Windows, 32-bit and 64-bit alike.
//
// Native methods use the standard calling convention (__stdcall, which the 64-bit
// compiler ignores). JNIEXPORT is empty: the export table is written by the module
// definition file, which gives the 32-bit names their exact spellings; a dllexport
// attribute would add a third spelling of every name.
#ifndef VELTRANE_WIN32_JNI_MD_H
#define VELTRANE_WIN32_JNI_MD_H

#define JNIEXPORT
#define JNIIMPORT
#define JNICALL __stdcall

typedef long jint;  // 32 bits on Windows, also in 64-bit code
typedef __int64 jlong;
typedef signed char jbyte;

#endif
