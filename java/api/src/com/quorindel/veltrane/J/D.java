package com.quorindel.veltrane.J;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class D {
    private D() {}

    public static native String g201(String ignored);
    public static native String g202(String ignored);
    public static native String g301(int code);
}
