package com.quorindel.veltrane.I;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class D {
    private D() {}

    public static native String g107(int code);
}
