package com.quorindel.veltrane.E.B;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class D {
    private D() {}

    public static native String[] g401(int code);
    public static native String g402(int code);
}
