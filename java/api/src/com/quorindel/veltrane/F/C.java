package com.quorindel.veltrane.F;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class C {
    private C() {}

    public static native String g109(String ignored, int code);
}
