package com.quorindel.veltrane.I;

/** Native methods of VeltraneWin32DLL; the caller loads the library first. */
public final class B {
    private B() {}

    public static native String g108(int code);
}
