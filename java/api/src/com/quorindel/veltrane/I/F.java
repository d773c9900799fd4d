package com.quorindel.veltrane.I;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class F {
    private F() {}

    public static native String g112(int code);
}
