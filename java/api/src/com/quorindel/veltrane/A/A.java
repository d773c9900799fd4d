package com.quorindel.veltrane.A;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class A {
    private A() {}

    public static native String g111(int code);
}
