package com.quorindel.veltrane.I;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class C {
    private C() {}

    public static native String g104(int code);
}
